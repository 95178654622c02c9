// The privileged half of the probe: waits until Thunderbird has found the
// folders below Local Folders, has each folder's summary rebuilt from its
// mailbox file (as opening the folder would), and lists "path<TAB>count".
var { ExtensionCommon } = ChromeUtils.importESModule("resource://gre/modules/ExtensionCommon.sys.mjs");
var { setTimeout } = ChromeUtils.importESModule("resource://gre/modules/Timer.sys.mjs");
var { MailServices } = ChromeUtils.importESModule("resource:///modules/MailServices.sys.mjs");

// Resolves with 0 once the folder's summary is current, else an error code.
function summaryReady(folder) {
  return new Promise(resolve => {
    const listener = {
      QueryInterface: ChromeUtils.generateQI(["nsIUrlListener"]),
      OnStartRunningUrl() {},
      OnStopRunningUrl(url, status) { resolve(status); },
    };
    try {
      folder.QueryInterface(Ci.nsIMsgLocalMailFolder).getDatabaseWithReparse(listener, null);
      resolve(0);  // current already: no parse was started
    } catch (e) {
      if (e.result != Cr.NS_ERROR_NOT_INITIALIZED) {  // that one means "parsing"
        resolve(e.result);
      }
    }
  });
}

var folderCount = class extends ExtensionCommon.ExtensionAPI {
  getAPI(context) {
    return {
      folderCount: {
        async countAll() {
          const root = MailServices.accounts.localFoldersServer.rootFolder;
          for (let i = 0; i < 100 && root.descendants.length == 0; ++i) {
            root.subFolders;  // finds the folders on disk
            await new Promise(r => setTimeout(r, 100));
          }
          const prefix = root.URI + "/";
          const lines = [];
          for (const folder of root.descendants) {
            const status = await summaryReady(folder);
            const path = decodeURIComponent(folder.URI.slice(prefix.length));
            lines.push(path + "\t" + (status == 0 ? folder.getTotalMessages(false) : "error " + status));
          }
          return lines.join("\n");
        },
      },
    };
  }
};
