// The settings (in memory, in the settings file, and the compiled-in
// defaults) and the system log with its bounded capture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_user_defaults.h"
#include "platform/property_list_reader.h"
#include "platform/system_log.h"
#include "platform/user_defaults.h"
#include "platform/user_defaults_resource.h"
#include "test_files.h"

namespace mailwright::platform {
namespace {

namespace fs = std::filesystem;

TEST(UserDefaults, SetValueWinsOverRegisteredDefaultWhichWinsOverNothing) {
    InMemoryUserDefaults defaults({{"defaultCodePage", std::int64_t{1252}}});
    EXPECT_EQ(defaults.integerForKey("defaultCodePage"), 1252);
    EXPECT_EQ(defaults.integerForKey("never"), 0);
    EXPECT_FALSE(defaults.boolForKey("never"));
    EXPECT_EQ(defaults.stringForKey("never"), "");
    EXPECT_FALSE(defaults.objectForKey("never").has_value());

    defaults.setInteger("defaultCodePage", 1251);
    EXPECT_EQ(defaults.integerForKey("defaultCodePage"), 1251);
    defaults.removeObjectForKey("defaultCodePage");
    EXPECT_EQ(defaults.integerForKey("defaultCodePage"), 1252);

    defaults.registerDefaults({{"defaultCodePage", std::int64_t{932}}});
    EXPECT_EQ(defaults.integerForKey("defaultCodePage"), 932);
}

TEST(UserDefaults, ConvertsBetweenKinds) {
    InMemoryUserDefaults defaults;
    struct Case {
        DefaultsValue value;
        std::int64_t integer;
        bool flag;
        std::string text;
    };
    const Case cases[] = {
        {true, 1, true, "true"},
        {false, 0, false, "false"},
        {std::int64_t{-3}, -3, true, "-3"},
        {std::string("YES"), 0, true, "YES"},
        {std::string("no"), 0, false, "no"},
        {std::string("  42 MB"), 42, true, "  42 MB"},
        {std::string("99999999999999999999"), 0, false, "99999999999999999999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        defaults.setObject("key", c.value);
        EXPECT_EQ(defaults.integerForKey("key"), c.integer);
        EXPECT_EQ(defaults.boolForKey("key"), c.flag);
        EXPECT_EQ(defaults.stringForKey("key"), c.text);
    }
}

TEST(UserDefaults, RefusesKeysTheFileCouldNotHold) {
    InMemoryUserDefaults defaults;
    for (const std::string& key : {std::string(), std::string("a=b"), std::string("a\nb"),
                                   std::string("#comment"), std::string("a\0b", 3)}) {
        EXPECT_THROW(defaults.setBool(key, true), std::invalid_argument);
    }
}

class FileUserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("mailwright_defaults_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
};

TEST_F(FileUserDefaultsTest, SetValuesSurviveInTheFileRegisteredOnesDoNot) {
    const fs::path file = m_dir / "mailwright" / "settings.conf";
    {
        FileUserDefaults defaults(file);
        defaults.registerDefaults({{"maxMBOXSize", std::int64_t{2048}}});
        defaults.setInteger("defaultCodePage", 1251);
        defaults.setBool("licenseAgreed", true);
        defaults.setString("lastFolder", "/home/ann/Mail\nold \\ new");
    }
    EXPECT_EQ(testfiles::slurp(file),
              "# mailwright settings: one key=value per line\n"
              "defaultCodePage=1251\n"
              "lastFolder=/home/ann/Mail\\nold \\\\ new\n"
              "licenseAgreed=true\n");

    FileUserDefaults again(file);
    EXPECT_EQ(again.integerForKey("defaultCodePage"), 1251);
    EXPECT_TRUE(again.boolForKey("licenseAgreed"));
    EXPECT_EQ(again.stringForKey("lastFolder"), "/home/ann/Mail\nold \\ new");
    EXPECT_EQ(again.integerForKey("maxMBOXSize"), 0);

    again.removeObjectForKey("licenseAgreed");
    EXPECT_FALSE(FileUserDefaults(file).objectForKey("licenseAgreed").has_value());
}

TEST_F(FileUserDefaultsTest, ReadsHandWrittenFilesAndSkipsJunkLines) {
    fs::create_directories(m_dir);
    const fs::path file = m_dir / "settings.conf";
    std::ofstream(file) << "# comment\r\n"
                           "defaultCodePage=932\r\n"
                           "no equals sign\n"
                           "=no key\n"
                           "splitMBOXFiles=false\n"
                           "note=a=b\n";
    FileUserDefaults defaults(file);
    EXPECT_EQ(defaults.integerForKey("defaultCodePage"), 932);
    EXPECT_FALSE(defaults.boolForKey("splitMBOXFiles"));
    EXPECT_TRUE(defaults.objectForKey("splitMBOXFiles").has_value());
    EXPECT_EQ(defaults.stringForKey("note"), "a=b");
    EXPECT_FALSE(defaults.objectForKey("no equals sign").has_value());
}

TEST_F(FileUserDefaultsTest, AFailedWriteKeepsTheOldValue) {
    fs::create_directories(m_dir);
    // A folder where the file should be: the rename over it fails.
    const fs::path file = m_dir / "settings.conf";
    fs::create_directories(file / "blocker");
    FileUserDefaults defaults(file);
    EXPECT_THROW(defaults.setInteger("defaultCodePage", 1251), std::runtime_error);
    EXPECT_FALSE(defaults.objectForKey("defaultCodePage").has_value());
    EXPECT_FALSE(fs::exists(m_dir / "settings.conf.tmp"));
}

TEST_F(FileUserDefaultsTest, DefaultLocationFollowsXdgThenHome) {
    const char* saved_xdg = std::getenv("XDG_CONFIG_HOME");
    const char* saved_home = std::getenv("HOME");
    const std::string xdg = saved_xdg ? saved_xdg : "";
    const std::string home = saved_home ? saved_home : "";

    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ::setenv("HOME", "/home/ann", 1);
    EXPECT_EQ(FileUserDefaults::defaultLocation(), fs::path("/cfg/mailwright/settings.conf"));
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(FileUserDefaults::defaultLocation(),
              fs::path("/home/ann/.config/mailwright/settings.conf"));
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    EXPECT_FALSE(FileUserDefaults::defaultLocation().has_value());

    saved_xdg ? ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    saved_home ? ::setenv("HOME", home.c_str(), 1) : ::unsetenv("HOME");
}

TEST(PropertyList, CompiledResourceMatchesTheFileInTheSourceTree) {
    EXPECT_EQ(userDefaultsResource(),
              testfiles::slurp(fs::path(MW_SOURCE_DIR) / "resources" / "UserDefaults.plist"));
}

// The reader reads only the compiled-in resource, so what it refuses can
// never reach a user: a resource it could not read fails every run at start.
TEST(PropertyList, ReadsValuesAndEntities) {
    const auto values = readPropertyList(
        "<?xml version=\"1.0\"?>\n<!-- c --><plist version=\"1.0\"><dict>"
        "<key>a</key><integer> -12 </integer>"
        "<key>b&amp;c</key><string>x &lt;&#x4E2D;&#65;&gt;</string>"
        "<key>e</key><string/>"
        "<key>f</key><true/><!-- between --><key>g</key><false/>"
        "</dict></plist>\n");
    EXPECT_EQ(values.at("a"), DefaultsValue(std::int64_t{-12}));
    EXPECT_EQ(values.at("b&c"), DefaultsValue(std::string("x <\xE4\xB8\xAD"
                                                          "A>")));
    EXPECT_EQ(values.at("e"), DefaultsValue(std::string()));
    EXPECT_EQ(values.at("f"), DefaultsValue(true));
    EXPECT_EQ(values.at("g"), DefaultsValue(false));
}

TEST(SystemLog, FormatsPrintfStyle) {
    ScopedLogCapture capture;
    log_format("MAILWRIGHT - UNKNOWN CHARSET %i", -7);
    const std::string long_text(5000, 'x');  // longer than any fixed buffer
    log_format("<%s>", long_text.c_str());
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"MAILWRIGHT - UNKNOWN CHARSET -7", "<" + long_text + ">"}));
}

TEST(SystemLog, SinkIsBoundedAndKeepsTheNewestLines) {
    ScopedLogCapture capture;
    for (std::size_t i = 0; i < kCapturedLogCapacity + 10; ++i) {
        log_line(std::to_string(i));
    }
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), kCapturedLogCapacity);
    EXPECT_EQ(lines.front(), "10");
    EXPECT_EQ(lines.back(), std::to_string(kCapturedLogCapacity + 9));
}

TEST(SystemLog, ConcurrentWritersLoseNoLine) {
    ScopedLogCapture capture;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < 200; ++i) {
                    log_format("thread %d line %d", t, i);
                }
            });
        }
    }
    EXPECT_EQ(capture.lines().size(), 800u);
}

}  // namespace
}  // namespace mailwright::platform
