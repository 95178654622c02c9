// Contacts folders to each destination: Thunderbird and Apple get every
// contact of the run in one "Contacts.vcf" (the first free name), each card
// followed by an empty line; the archive one file per contact named by its
// number in the run; each in the contact style of its application.
#include <gtest/gtest.h>

#include "export/archive_item_name.h"
#include "export/export_fixture.h"
#include "support/contact_builder.h"
#include "targets/output_preparation.h"

namespace mailwright::targets {
namespace {

namespace fs = std::filesystem;
using exporting::_ExportSettings;

TEST(ArchiveItemName, PutsTheNumbersLettersOverTheLastPlaces) {
    const struct {
        std::uint32_t number;
        const char* name;
    } cases[] = {
        {0, "OUTLOOKEXPORTEDADR0000000A"},          {10, "OUTLOOKEXPORTEDADR000000BA"},
        {25, "OUTLOOKEXPORTEDADR000000CF"},         {98765432, "OUTLOOKEXPORTEDADRJIHGFEDC"},
        {123456789, "OUTLOOKEXPORTEDADRBCDEFGHIJ"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(exporting::ArchiveItemName(exporting::kArchiveContactPrefix, c.number), c.name);
    }
}

struct ContactCase {
    const char* name;
    std::int32_t packing;
    std::vector<std::string> files;  // below the contacts base folder
    const char* styleMark;           // how the assistant is written
};

const ContactCase kCases[] = {
    {"Thunderbird",
     exporting::kPackingThunderbird,
     {"Contacts (1).vcf", "Contacts.vcf"},
     "\r\nnote"},
    {"Apple",
     exporting::kPackingAppleApplications,
     {"Contacts (1).vcf", "Contacts.vcf"},
     "X-ABRELATEDNAMES"},
    {"OutlookArchive",
     exporting::kPackingOutlookArchive,
     {"OUTLOOKEXPORTEDADR0000000A", "OUTLOOKEXPORTEDADR0000000B", "OUTLOOKEXPORTEDADR0000000C",
      "OUTLOOKEXPORTEDADR0000000D", "OUTLOOKEXPORTEDADR0000000E", "OUTLOOKEXPORTEDADR0000000F",
      "OUTLOOKEXPORTEDADR0000000G", "OUTLOOKEXPORTEDADR0000000H", "OUTLOOKEXPORTEDADR0000000I",
      "OUTLOOKEXPORTEDADR0000000J", "OUTLOOKEXPORTEDADR000000BA"},
     "X-assistant"},
};

class ContactTargetsTest : public exporttest::ExportTest,
                           public ::testing::WithParamInterface<ContactCase> {};

TEST_P(ContactTargetsTest, ContactsGoWhereTheDestinationImportsThem) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Ann");
    // Eleven contacts in two folders: the archive's 11th file is "...BA".
    for (const auto& [folder, count] : {std::pair{"Friends", 6}, std::pair{"Work", 5}}) {
        std::vector<pstbuild::Message> contacts;
        for (int n = 0; n < count; ++n) {
            pstbuild::Contact contact;
            contact.file_as = std::string(folder) + " " + std::to_string(n);
            contact.details = {{0x3A30, "Bea"}};  // PidTagAssistant
            contacts.push_back(pstbuild::contact_message(contact));
        }
        box.top().add_folder(folder, "IPF.Contact").messages = std::move(contacts);
    }
    const auto session = exporttest::open_session(psttest::build_file(box));
    _ExportSettings s;
    s.ExportPacking = GetParam().packing;
    for (const char* name : {"Friends", "Work"}) {
        s.ExportItems.push_back(
            exporttest::folder_at(session, std::string("Ann/Top of Personal Folders/") + name));
    }
    ASSERT_FALSE(PrepareTargetOutput(s, out().string(), KindsOfFolders(s.ExportItems), 0, ""));
    const fs::path contacts = s.ContactsOutputFolderPath;
    const bool runWide = s.ExportPacking != exporting::kPackingOutlookArchive;
    if (runWide) {
        std::ofstream(contacts / "Contacts.vcf") << "earlier";
    }
    const auto r = run(s);
    EXPECT_EQ(r.result.status, exporting::Success) << r.log;
    EXPECT_EQ(r.result.contactCount, 11u);
    EXPECT_EQ(exporttest::files_below(contacts), GetParam().files);

    std::string cards;
    for (const auto& file : GetParam().files) {
        if (!runWide || file == "Contacts (1).vcf") {
            cards += exporttest::slurp(contacts / file);
        }
    }
    std::size_t ends = 0;
    for (auto at = cards.find("end:vcard"); at != std::string::npos;
         at = cards.find("end:vcard", at + 1)) {
        ++ends;
        const std::string end = runWide ? "end:vcard\r\n\r\n" : "end:vcard\r\n";
        EXPECT_EQ(cards.compare(at, end.size(), end), 0);
    }
    EXPECT_EQ(ends, 11u);
    EXPECT_NE(cards.find("Work 4"), std::string::npos);
    for (const char* mark : {"\r\nnote", "X-ABRELATEDNAMES", "X-assistant"}) {
        EXPECT_EQ(cards.find(mark) != std::string::npos, mark == std::string(GetParam().styleMark))
            << mark;
    }
    if (runWide) {
        EXPECT_EQ(exporttest::slurp(contacts / "Contacts.vcf"), "earlier");
    }
}

INSTANTIATE_TEST_SUITE_P(Destinations, ContactTargetsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mailwright::targets
