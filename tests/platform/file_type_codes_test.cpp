// File type and creator codes as extended attributes: stored and read back
// where the file system has them, refused quietly where it has not.
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/file_type_codes.h"

namespace mailwright::platform {
namespace {

namespace fs = std::filesystem;

TEST(FileTypeCodes, StoredAsExtendedAttributesWhereSupported) {
    const fs::path file =
        fs::temp_directory_path() / ("mw_codes_" + std::to_string(::getpid()) + ".mbox");
    std::ofstream(file) << "From - x\n";
    if (!SetFileTypeAndCreatorCodes(file.string(), 0x4D424F58, 0x4F50494D)) {
        fs::remove(file);
        GTEST_SKIP() << "no user extended attributes in " << fs::temp_directory_path();
    }
    const auto codes = GetFileTypeAndCreatorCodes(file.string());
    ASSERT_TRUE(codes);
    EXPECT_EQ(codes->type, 0x4D424F58u);
    EXPECT_EQ(codes->creator, 0x4F50494Du);
    char text[8] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.mailwright.type", text, sizeof text), 4);
    EXPECT_STREQ(text, "MBOX");
    fs::remove(file);
}

TEST(FileTypeCodes, AMissingFileOrOneWithoutCodesGivesNothing) {
    EXPECT_FALSE(SetFileTypeAndCreatorCodes("/no/such/file", 1, 2));
    EXPECT_FALSE(GetFileTypeAndCreatorCodes("/no/such/file"));
    // /proc files take no user attributes: the codes are simply not kept.
    EXPECT_FALSE(SetFileTypeAndCreatorCodes("/proc/self/status", 0x4D424F58, 0x4F50494D));
}

}  // namespace
}  // namespace mailwright::platform
