// The generated sample mailbox (what mkpst writes): its folder plan, its
// mix of items, determinism, and a large mailbox read back completely by the
// test-side walker.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mailbox_walk.h"
#include "support/code_page_text.h"
#include "support/le_bytes.h"
#include "support/mailbox_writer.h"
#include "support/sample_mailbox.h"
#include "support/sample_text.h"

namespace {

using namespace pstbuild;
using namespace pstbuild::sample;

std::vector<std::uint8_t> build_sample(const SampleOptions& options,
                                       Encoding encoding = Encoding::permute) {
    NdbOptions ndb;
    ndb.variant = options.variant;
    ndb.encoding = encoding;
    ndb.record_layout = false;
    return build_mailbox(sample_mailbox(options), ndb);
}

// A read-only memory map of a file, for walking files too large to read.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDONLY);
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
            throw std::runtime_error("cannot open " + path);
        }
        size_ = static_cast<std::size_t>(st.st_size);
        data_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
        if (data_ == MAP_FAILED) {
            ::close(fd_);
            throw std::runtime_error("cannot map " + path);
        }
    }
    ~MappedFile() {
        ::munmap(data_, size_);
        ::close(fd_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    std::span<const std::uint8_t> bytes() const {
        return {static_cast<const std::uint8_t*>(data_), size_};
    }

private:
    int fd_ = -1;
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

TEST(SampleMailbox, DefaultPlanHasTheFolderKindsAndFortyItems) {
    const std::vector<FolderPlan> plan = plan_folders(SampleOptions{});
    std::vector<std::string> paths;
    std::size_t total = 0;
    for (const FolderPlan& f : plan) {
        paths.push_back(f.path);
        total += f.messages;
    }
    ASSERT_EQ(paths.size(), 5u);
    EXPECT_EQ(paths[0], "Inbox");
    EXPECT_EQ(paths[1], "Calendar");
    EXPECT_EQ(paths[2], "Contacts");
    EXPECT_EQ(paths[3], "Sent Items");
    EXPECT_EQ(paths[4].rfind("Inbox/", 0), 0u);  // a subfolder named in a language
    EXPECT_EQ(plan[1].container_class, "IPF.Appointment");
    EXPECT_EQ(plan[2].container_class, "IPF.Contact");
    EXPECT_EQ(plan[1].messages, 4u);
    EXPECT_EQ(plan[2].messages, 4u);
    EXPECT_EQ(total, 40u);
}

TEST(SampleMailbox, LargerPlansNestUniqueFoldersParentsFirst) {
    for (const std::size_t folders : {0u, 1u, 9u, 40u}) {
        SampleOptions options;
        options.folders = folders;
        options.messages = 1000;
        const std::vector<FolderPlan> plan = plan_folders(options);
        ASSERT_EQ(plan.size(), folders);
        std::set<std::string> seen;
        std::size_t total = 0;
        for (const FolderPlan& f : plan) {
            const std::size_t slash = f.path.rfind('/');
            if (slash != std::string::npos) {
                EXPECT_TRUE(seen.contains(f.path.substr(0, slash))) << f.path;
            }
            EXPECT_TRUE(seen.insert(f.path).second) << f.path;
            total += f.messages;
        }
        EXPECT_EQ(total, folders == 0 ? 0u : 1000u);
    }
}

TEST(SampleMailbox, AnsiFilesOnlyUseLanguagesTheirCodePageHolds) {
    auto codes = [](unsigned code_page) {
        std::set<std::string> out;
        for (const Language* language : languages_for(code_page)) {
            out.insert(language->code);
        }
        return out;
    };
    EXPECT_EQ(codes(0).size(), languages().size());
    EXPECT_TRUE(codes(1251).contains("ru"));
    EXPECT_FALSE(codes(1251).contains("de"));
    EXPECT_TRUE(codes(932).contains("ja"));
    EXPECT_TRUE(codes(1252).contains("de"));
    EXPECT_FALSE(codes(1252).contains("el"));
    for (const unsigned code_page : {1250u, 1251u, 1252u, 1253u, 932u}) {
        EXPECT_TRUE(codes(code_page).contains("en")) << code_page;
    }
    SampleOptions options;
    options.variant = Variant::ansi;
    options.code_page = 28596;  // Arabic: none of the sample languages but English fits
    EXPECT_NO_THROW(sample_mailbox(options));
    options.code_page = 1200;  // UTF-16 is no code page for 8-bit strings
    EXPECT_THROW(sample_mailbox(options), std::invalid_argument);
    options.code_page = 4;  // no such code page
    EXPECT_THROW(sample_mailbox(options), std::invalid_argument);
}

TEST(SampleMailbox, SameSeedSameBytesOtherSeedOtherBytes) {
    SampleOptions options;
    options.messages = 60;
    options.attachment_kb = 4;
    const std::vector<std::uint8_t> first = build_sample(options);
    EXPECT_EQ(build_sample(options), first);
    options.seed = 2;
    EXPECT_NE(build_sample(options), first);
    options.seed = 1;
    options.variant = Variant::ansi;
    const std::vector<std::uint8_t> ansi = build_sample(options, Encoding::cyclic);
    EXPECT_EQ(build_sample(options, Encoding::cyclic), ansi);
}

// Counts what a walked mailbox holds, to show the generator's mix.
struct Mix {
    std::map<std::string, std::size_t> classes;
    std::size_t plain = 0, html = 0, rtf_compressed = 0, rtf_uncompressed = 0;
    std::size_t unread = 0, prefixed = 0, non_ascii_subjects = 0, apptime = 0, headers = 0;
    std::set<std::int32_t> code_pages;
};

Mix mix_of(const walk::MailboxWalk& walk) {
    Mix mix;
    for (const walk::FolderVisit& folder : walk.folders()) {
        for (const std::uint32_t nid : folder.messages) {
            const walk::PropertyMap pc = walk.properties(nid);
            ++mix.classes[walk::text_of(pc.at(0x001A))];
            mix.plain += pc.count(0x1000);
            mix.html += pc.count(0x1013);
            if (pc.count(0x1009) != 0) {
                const bool compressed = get_u32(pc.at(0x1009).bytes, 8) == 0x75465A4C;
                (compressed ? mix.rtf_compressed : mix.rtf_uncompressed) += 1;
            }
            mix.unread += (get_u32(pc.at(0x0E07).bytes, 0) & 1) == 0 ? 1 : 0;
            if (pc.count(0x0037) != 0) {
                const std::string subject = walk::text_of(pc.at(0x0037));
                mix.prefixed += !subject.empty() && subject[0] == '\x01' ? 1 : 0;
                mix.non_ascii_subjects += representable(subject, 20127) ? 0 : 1;
            }
            mix.apptime += pc.count(0x0E06) != 0 && pc.at(0x0E06).type == 0x0007 ? 1 : 0;
            mix.headers += pc.count(0x007D);
            if (pc.count(0x3FDE) != 0) {
                mix.code_pages.insert(static_cast<std::int32_t>(get_u32(pc.at(0x3FDE).bytes, 0)));
            }
        }
    }
    return mix;
}

TEST(SampleMailbox, MixHasEveryKindOfItemAndBody) {
    SampleOptions options;
    options.folders = 9;
    options.messages = 400;
    options.attachment_kb = 2;
    const std::vector<std::uint8_t> file = build_sample(options);
    const walk::MailboxWalk walk(file);
    const Mix mix = mix_of(walk);
    for (const char* item_class : {"IPM.Note", "IPM.Appointment", "IPM.Contact", "IPM.StickyNote",
                                   "IPM.Task", "IPM.Activity"}) {
        EXPECT_GT(mix.classes.count(item_class), 0u) << item_class;
    }
    EXPECT_GT(mix.plain, 0u);
    EXPECT_GT(mix.html, 0u);
    EXPECT_GT(mix.rtf_compressed, 0u);
    EXPECT_GT(mix.rtf_uncompressed, 0u);
    EXPECT_GT(mix.unread, 0u);
    EXPECT_GT(mix.prefixed, 0u);
    EXPECT_GT(mix.non_ascii_subjects, 0u);
    EXPECT_GT(mix.headers, 0u);
    EXPECT_GE(mix.code_pages.size(), 5u);
    EXPECT_GT(walk.stats().attachments, 50u);
    EXPECT_GT(walk.stats().embedded, 5u);
    EXPECT_GT(walk.stats().recipients, walk.stats().messages);
    EXPECT_GT(walk.stats().named_properties, 10u);
}

// Writes a large mailbox to a file through the streaming builder and reads
// it back completely: every page, block, node, table and property, with the
// folder tree's invariants, and every message compared with the one the
// generator makes on its own. MW_SAMPLE_WALK_MESSAGES sets the size (for a
// multi-gigabyte run by hand).
TEST(SampleMailbox, LargeStreamedMailboxReadsBackCompletely) {
    SampleOptions options;
    options.folders = 12;
    options.messages = 2000;
    options.attachment_kb = 4;
    options.seed = 42;
    if (const char* size = std::getenv("MW_SAMPLE_WALK_MESSAGES")) {
        options.messages = std::strtoull(size, nullptr, 10);
        options.attachment_kb = 64;
    }
    const std::string path = testing::TempDir() + "/sample_walk.pst";
    NdbOptions ndb;
    ndb.variant = options.variant;
    ndb.encoding = Encoding::permute;
    ndb.record_layout = false;
    const MailboxReport report = write_mailbox_file(sample_mailbox(options), ndb, path);
    {
        const MappedFile file(path);
        EXPECT_EQ(file.bytes().size(), report.file_size);
        const walk::MailboxWalk walk(file.bytes());
        EXPECT_EQ(walk.stats().messages, options.messages);
        EXPECT_EQ(walk.stats().messages, report.messages);
        EXPECT_EQ(walk.stats().attachments, report.attachments);
        EXPECT_EQ(walk.stats().embedded, report.embedded_messages);
        EXPECT_EQ(walk.stats().recipients, report.recipients);
        EXPECT_EQ(walk.stats().named_properties, report.named_properties);

        // Each folder's messages are the generator's, in order.
        const std::vector<FolderPlan> plan = plan_folders(options);
        for (std::size_t ordinal = 0; ordinal < plan.size(); ++ordinal) {
            const walk::FolderVisit& visit =
                walk.folder("Top of Personal Folders/" + plan[ordinal].path);
            ASSERT_EQ(visit.messages.size(), plan[ordinal].messages);
            for (std::size_t i = 0; i < visit.messages.size(); i += 1 + i / 50) {
                const Message expected = sample_message(options, plan[ordinal], ordinal, i);
                const walk::PropertyMap pc = walk.properties(visit.messages[i]);
                const std::string subject =
                    pc.count(0x0037) != 0 ? walk::text_of(pc.at(0x0037)) : std::string();
                EXPECT_NE(subject.find(expected.subject), std::string::npos)
                    << visit.path << " " << i;
                EXPECT_EQ(walk::text_of(pc.at(0x001A)), expected.message_class);
            }
        }
        std::printf("walked %zu nodes, %zu messages, %zu attachments, %zu properties, %.1f MB\n",
                    walk.stats().nodes, walk.stats().messages, walk.stats().attachments,
                    walk.stats().properties, static_cast<double>(report.file_size) / 1048576.0);
    }
    std::filesystem::remove(path);
}

}  // namespace
