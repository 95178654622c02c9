// What a run did, folder by folder and item by item, for callers that show
// or hand on the outcome (the command line's JSON result): the counts of
// every folder and every item that was skipped or written with parts
// missing, with the reasons. Only items with a problem are kept, and at most
// kMaxRecordedProblems of them, so the record does not grow with the
// number of items converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/export_settings.h"
#include "model/recorded_code_page.h"
#include "text/code_page_table.h"

namespace mailwright::exporting {

inline constexpr std::size_t kMaxRecordedProblems = 1000;

struct FolderRecord {
    std::string file;             // the PST file's path
    std::string folder;           // the folder's full path
    std::string kindWord;         // "emails", "contacts", "calendar events"; empty: not exported
    std::uint32_t converted = 0;  // of the folder's own kind
    // Items converted by their own kind beside the folder's output, and
    // items left out (free/busy data).
    std::uint32_t contacts = 0;
    std::uint32_t calendarEvents = 0;
    std::uint32_t leftOut = 0;
    std::uint32_t skipped = 0;
    std::uint32_t incomplete = 0;
    std::int32_t status = 0;
    std::string savedIn;
    std::string error;  // why the folder could not be read or written
};

// An input file the run read, and how its 8-bit text was decoded.
struct InputFileRecord {
    std::string path;
    bool unicode = false;
    // The row that decoded an ANSI file's 8-bit text and why it was taken;
    // null for a Unicode file.
    const text::TextEncodingItem* codePage = nullptr;
    model::CodePageSource codePageSource = model::CodePageSource::fallback;
};

struct ItemProblem {
    std::string file;
    std::string folder;
    std::string item;  // the item's report text ("From: ...\r\nDate: ...\r\nSubject: ..."); empty
                       // when unread
    bool skipped = false;  // else written with parts missing
    std::vector<std::string> reasons;
};

// What went wrong without stopping the run.
struct RunProblems {
    std::uint32_t skipped = 0;            // items that could not be read
    std::uint32_t incomplete = 0;         // items written with parts missing
    std::uint32_t unreadableFolders = 0;  // folders that could not be read
    std::uint32_t unreadableFiles = 0;    // input files not read (in full)

    bool any() const { return skipped + incomplete + unreadableFolders + unreadableFiles > 0; }
};

struct RunRecord {
    RunProblems counts;
    std::vector<InputFileRecord> inputs;  // in the order the run reached them
    std::vector<UnreadableFile> files;    // input files that could not be read (in full)
    std::vector<FolderRecord> folders;
    std::vector<ItemProblem> problems;
    std::size_t problemsNotRecorded = 0;  // past kMaxRecordedProblems
    std::string failure;  // what stopped the run (an output that could not be written)
    // One-line notices about the output folder (earlier conversions of the
    // same file found, kept or replaced), for callers that print them even
    // when the log is not shown.
    std::vector<std::string> notices;

    void addProblem(ItemProblem problem) {
        if (problems.size() < kMaxRecordedProblems) {
            problems.push_back(std::move(problem));
        } else {
            ++problemsNotRecorded;
        }
    }
};

}  // namespace mailwright::exporting
