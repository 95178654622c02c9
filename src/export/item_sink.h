// One kind of output of the folder item loop: how an item is named in the
// progress and the report file, how its text is made and where the text
// goes. The loop (OutlookAssetsExportAgent) does the rest for every kind:
// taking items, counting, skipping, progress and cancellation.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mailwright::model {
class Message;
}

namespace mailwright::exporting {

class ItemSink {
public:
    virtual ~ItemSink() = default;

    // Whether the item is converted at all; one that is not is left out of
    // the output, neither converted nor skipped. Called first for each item.
    virtual bool takes(const model::Message& /*item*/) { return true; }

    // The text that shows the item as the progress message and in the
    // report file (followed there by the line ends it ends with).
    virtual std::string itemText(const model::Message& item) const = 0;
    // The system log line for an item the folder's cursor cannot read.
    virtual std::string corruptItemText(const std::string& reason) const = 0;
    // The system log line for an item whose text cannot be made.
    virtual std::string conversionErrorText(const model::Message& item,
                                            const std::string& reason) const = 0;
    // Writes the item's whole text into `out`; throws when it cannot be
    // made, and what was written is then discarded.
    virtual void produce(model::Message& item, std::ostream& out) = 0;
    // What the item produced last lost, one line each (an attachment that
    // could not be read, say); the item is written all the same and
    // counted as incomplete.
    virtual std::vector<std::string> losses() const { return {}; }
    // Puts the text of a produced item into its output; false when the
    // output failed, which fails the folder.
    virtual bool write(const model::Message& item, const std::string& text) = 0;
    // Closes the outputs at the folder's end; false when their last writes
    // did not reach the disk.
    virtual bool finish() { return true; }
    // After a failed write or finish: the file and the system's reason
    // ("cannot write /out/Inbox.mbox: Read-only file system").
    virtual std::string failureText() const { return {}; }
};

}  // namespace mailwright::exporting
