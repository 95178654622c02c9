// Parses each file given with ical.js, the parser Thunderbird uses, and
// prints one line per file: "ok <path> <components>" or "error <path> <why>".
// vCard files (.vcf) are parsed as vCard, everything else as iCalendar.
// Exits 1 when any file fails, so a test can assert on the status alone.
const fs = require("fs");
const ICAL = require("ical.js");

let failed = false;
for (const path of process.argv.slice(2)) {
  try {
    const text = fs.readFileSync(path, "utf8");
    const parsed = ICAL.parse(text);
    const roots = Array.isArray(parsed[0]) ? parsed : [parsed];
    let count = 0;
    for (const root of roots) {
      const component = new ICAL.Component(root);
      count += path.endsWith(".vcf") ? 1 : component.getAllSubcomponents("vevent").length;
    }
    console.log(`ok ${path} ${count}`);
  } catch (e) {
    failed = true;
    console.log(`error ${path} ${e.message}`);
  }
}
process.exit(failed ? 1 : 0);
