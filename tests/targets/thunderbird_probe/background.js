// Prints Thunderbird's own message count of every local folder to standard
// output as one line "FOLDERS-BEGIN <lines, percent-encoded> FOLDERS-END",
// which the console passes on unchanged whatever the folder names hold.
browser.folderCount.countAll()
  .then(text => console.log("FOLDERS-BEGIN " + encodeURIComponent(text) + " FOLDERS-END"))
  .catch(e => console.log("FOLDERS-ERROR " + e));
