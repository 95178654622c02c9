#include "model/recorded_code_page.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <utility>
#include <vector>

#include "model/user_folders.h"
#include "pstread/pst/folder.h"
#include "pstread/pst/property_ids.h"

namespace mailwright::model {
namespace {

// UTF-16 and UTF-32 in either byte order: 8-bit strings are never in them.
bool isWideCodePage(std::uint32_t codePage) {
    return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001;
}

// The available row of the table for `codePage`, looked up without the
// unknown-charset log line GetCodePageInfo writes: a damaged or odd number
// in every message of a file would fill the log.
bool usableForEightBitText(std::uint32_t codePage) {
    if (codePage == 0 || isWideCodePage(codePage)) {
        return false;
    }
    for (const text::TextEncodingItem& row : text::CodePageTable()) {
        if (row.codePage == codePage) {
            return row.available;
        }
    }
    return false;
}

// The folder the walk for messages starts at: the IPM subtree, else the
// root folder when the store names no usable subtree.
pstread::folder probeStart(pstread::pst& file) {
    try {
        if (const auto subtree = ipmSubTreeNodeId(file)) {
            return file.open_folder(*subtree);
        }
    } catch (const std::exception&) {
        // A damaged entry id or a missing node: the whole tree is walked.
    }
    return file.open_root_folder();
}

// Counts each usable code page the first messages record, in the order
// first seen, breadth first from `start`.
std::vector<std::pair<std::int32_t, std::size_t>> countMessageCodePages(pstread::folder start) {
    std::vector<std::pair<std::int32_t, std::size_t>> counts;
    std::deque<pstread::folder> pending{std::move(start)};
    std::size_t messages = 0;
    std::size_t folders = 0;
    while (!pending.empty() && messages < kCodePageProbeMessages &&
           folders < kCodePageProbeFolders) {
        const pstread::folder folder = std::move(pending.front());
        pending.pop_front();
        ++folders;
        try {
            for (auto it = folder.message_begin(), end = folder.message_end();
                 it != end && messages < kCodePageProbeMessages; ++it) {
                ++messages;
                try {
                    if (const auto codePage = RecordedCodePage((*it).get_property_bag())) {
                        auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& c) {
                            return c.first == *codePage;
                        });
                        if (found == counts.end()) {
                            counts.emplace_back(*codePage, 1);
                        } else {
                            ++found->second;
                        }
                    }
                } catch (const std::exception&) {
                    // A message that cannot be read tells nothing.
                }
            }
            for (auto it = folder.sub_folder_begin(), end = folder.sub_folder_end();
                 it != end && pending.size() + folders < kCodePageProbeFolders; ++it) {
                pending.push_back(*it);
            }
        } catch (const std::exception&) {
            // A folder whose tables cannot be read: the others may tell.
        }
    }
    return counts;
}

}  // namespace

const char* CodePageSourceWord(CodePageSource source) {
    switch (source) {
        case CodePageSource::given:
            return "given";
        case CodePageSource::recorded:
            return "recorded";
        case CodePageSource::fallback:
            break;
    }
    return "default";
}

const char* CodePageSourceReason(CodePageSource source) {
    switch (source) {
        case CodePageSource::given:
            return "given with --codepage or the text encoding menu";
        case CodePageSource::recorded:
            return "recorded in the file";
        case CodePageSource::fallback:
            break;
    }
    return "the default";
}

std::string CodePageDescription(const text::TextEncodingItem& row, CodePageSource source) {
    return "code page " + std::to_string(row.codePage) + " (" + row.displayName + "), " +
           CodePageSourceReason(source);
}

std::optional<std::int32_t> RecordedCodePage(const pstread::const_property_object& item) {
    if (!item.has_property(pstread::pid_tag_message_codepage) ||
        item.property_type(pstread::pid_tag_message_codepage) != pstread::prop_type_long) {
        return std::nullopt;
    }
    const std::uint32_t codePage = item.inline_value_4(pstread::pid_tag_message_codepage);
    if (!usableForEightBitText(codePage)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(codePage);
}

std::optional<std::int32_t> FileRecordedCodePage(pstread::pst& file) {
    try {
        if (const auto stored = RecordedCodePage(file.get_property_bag())) {
            return stored;
        }
        const auto counts = countMessageCodePages(probeStart(file));
        const auto most =
            std::max_element(counts.begin(), counts.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        if (most != counts.end()) {
            return most->first;
        }
    } catch (const std::exception&) {
        // A store that cannot be read records nothing; opening it reports why.
    }
    return std::nullopt;
}

}  // namespace mailwright::model
