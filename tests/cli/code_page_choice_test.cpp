// The code page of an ANSI file's 8-bit text: given with --codepage, else
// recorded in the file (by the store, else by its messages), else the
// default; each message's own recorded code page decodes its strings unless
// one was given. `list` and the conversion's report and JSON say which.
#include <fstream>

#include "cli/command_test.h"
#include "support/property_ids.h"

namespace {

using pstbuild::ExtraProperty;
using pstbuild::pv_long;

constexpr const char* kCyrillic = "code page 1251 (Cyrillic (Windows))";
constexpr const char* kWestern = "code page 1252 (Western European (Windows))";
constexpr const char* kRecorded = "recorded in the file";
constexpr const char* kDefault = "the default";

struct Case {
    const char* name;
    std::int32_t store;    // PidTagMessageCodepage of the store; 0: none
    std::int32_t message;  // of the message; 0: none
    const char* options;
    const char* settings;  // the defaultCodePage setting, or null
    const char* page;      // the code page list and the report name, and why
    const char* why;
    const char* word;  // the JSON code_page_source
    bool names;        // the folder names read right
    bool items;        // the message's subject and body read right
};

const Case kCases[] = {
    {"RecordedByMessages", 0, 1251, "", nullptr, kCyrillic, kRecorded, "recorded", true, true},
    {"RecordedByTheStore", 1251, 0, "", nullptr, kCyrillic, kRecorded, "recorded", true, true},
    {"MessagesKeepTheirOwn", 1252, 1251, "", nullptr, kWestern, kRecorded, "recorded", false, true},
    {"GivenOverridesTheFile", 1251, 1251, "--codepage 1252 ", nullptr, kWestern,
     "given with --codepage or the text encoding menu", "given", false, false},
    {"NothingRecorded", 0, 0, "", nullptr, kWestern, kDefault, "default", false, false},
    {"UnknownNumberRecorded", 1, 1, "", nullptr, kWestern, kDefault, "default", false, false},
    {"SettingsWhenNothingRecorded", 0, 0, "", "1251", kCyrillic, kDefault, "default", true, true},
};

class CodePageChoice : public clitest::CommandTest, public ::testing::WithParamInterface<Case> {};

TEST_P(CodePageChoice, ListAndConversionDecodeWithTheChosenCodePage) {
    const Case& c = GetParam();
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Почта");
    box.code_page = 1251;
    if (c.store != 0) {
        box.store_extra = {ExtraProperty::of(pstbuild::pid::kMessageCodepage, pv_long(c.store))};
    }
    pstbuild::Message m = psttest::mail("Привет, мир");
    m.body = "Текст";
    if (c.message != 0) {
        m.extra = {ExtraProperty::of(pstbuild::pid::kMessageCodepage, pv_long(c.message))};
    } else {
        m.omit = {pstbuild::pid::kMessageCodepage};
    }
    box.top().add_folder("Входящие").messages = {m};
    const fs::path file = write("mail.pst", psttest::build_file(box, psttest::Variant::ansi));
    if (c.settings) {
        fs::create_directories(m_dir / "config" / "mailwright");
        std::ofstream(m_dir / "config" / "mailwright" / "settings.conf")
            << "defaultCodePage=" << c.settings << "\n";
    }

    const std::string options = c.options + quoted(file);
    const std::string says = std::string(c.page) + ", " + c.why;
    m_command = "list";
    const auto listed = run(options);
    EXPECT_THAT(listed.out, StartsWith(file.string() + " (ansi, " + says + ")\n"));
    EXPECT_EQ(listed.out.find("Входящие") != std::string::npos, c.names) << listed.out;
    const std::string word = "\"code_page_source\": \"" + std::string(c.word) + "\"";
    EXPECT_THAT(run("--json " + options).out, HasSubstr(word));

    m_command = "convert";
    const fs::path out = m_dir / "out";
    const auto converted = run("--json " + options + " -o " + quoted(out));
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_THAT(converted.out, HasSubstr(word));
    const std::string report = report_in(out);
    EXPECT_THAT(report, HasSubstr("\r\n8-bit text decoded with " + says + "\r\n"));
    EXPECT_EQ(report.find("Subject: Привет, мир\r\n") != std::string::npos, c.items) << report;
    std::string mail;
    for (const std::string& mailbox : files_in(out, ".mbox")) {
        mail += slurp(mailbox);
    }
    EXPECT_EQ(mail.find("charset=\"windows-1251\"") != std::string::npos, c.items) << mail;
}

INSTANTIATE_TEST_SUITE_P(Cases, CodePageChoice, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
