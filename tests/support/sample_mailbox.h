// A realistic generated mailbox, the one `mkpst` writes: nested mail
// folders, a calendar, contacts, notes, tasks and a journal, mail in several
// languages with plain, HTML and RTF bodies, recipients, attachments of
// about a given size and some embedded messages. Everything derives from
// the seed, so the same options give the same file byte for byte, and each
// message is made from (seed, folder, index) alone, so messages can be
// generated on demand while the file is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/mailbox.h"
#include "support/pst_format.h"

namespace pstbuild::sample {

struct SampleOptions {
    Variant variant = Variant::unicode;
    unsigned code_page = 1252;  // of ANSI files; decides which languages appear
    std::size_t folders = 5;    // folders made besides the standard ones
    std::size_t messages = 40;  // items over all folders
    std::size_t attachment_kb = 32;
    std::uint64_t seed = 1;
};

// What kind of items a generated folder holds.
enum class FolderKind { inbox, sent, mail, calendar, contacts, notes, tasks, journal };

struct FolderPlan {
    std::string path;  // below the IPM subtree, '/'-separated
    FolderKind kind = FolderKind::mail;
    std::string container_class;
    std::size_t messages = 0;
};

// The folders the options ask for, in creation order (parents first), with
// the number of items each gets.
std::vector<FolderPlan> plan_folders(const SampleOptions& options);

// The mailbox description; messages are generated while it is written.
Mailbox sample_mailbox(const SampleOptions& options);

// The message `index` of the folder `ordinal` of the plan, as the mailbox
// generates it.
Message sample_message(const SampleOptions& options, const FolderPlan& folder, std::size_t ordinal,
                       std::size_t index);

}  // namespace pstbuild::sample
