#include "settings/ReplacingFile.h"

#include <filesystem>

#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

using ReplacingFileTest = test::PlatformTest;

FileText text(std::string words) {
    return [words = std::move(words)](std::FILE* out) { std::fputs(words.c_str(), out); };
}

TEST_F(ReplacingFileTest, TheNewFileTakesThePlaceOfTheOldOneAndNothingIsLeftBeside) {
    struct Case {
        const char* name;
        bool append;
        const char* old;  // nullptr: no file yet
        const char* expectedWithLineFeeds;
    };
    const Case cases[] = {
        {"write, no file yet", false, nullptr, "A = 1\n"},
        {"write over a longer file", false, "A = 1\nB = 2\nC = 3\n", "A = 1\n"},
        {"append, no file yet", true, nullptr, "A = 1\n"},
        {"append to a file", true, "Z = 0\n", "Z = 0\nA = 1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("file.cfg");
        if (c.old != nullptr) test::writeFile("file.cfg", c.old);
        const bool written = c.append ? appendReplacing("file.cfg", text("A = 1\n")) : writeReplacing("file.cfg", text("A = 1\n"));
        EXPECT_TRUE(written);
        EXPECT_EQ(test::readFile("file.cfg"), test::textFile(c.expectedWithLineFeeds));
        EXPECT_FALSE(std::filesystem::exists(besideName("file.cfg")));
    }
}

TEST_F(ReplacingFileTest, AppendingKeepsTheOldBytesExactlyWhateverTheyAre) {
    // Bare line feeds, a stray carriage return, an end-of-file mark and a NUL:
    // a text-mode copy would change or cut each of them.
    const std::string old("A = 1\nB = 2\r\n\rC\x1a = \0 3\n", 21);
    test::writeBinaryFile("history.cfg", old);
    ASSERT_TRUE(appendReplacing("history.cfg", text("D = 4\n")));
    EXPECT_EQ(test::readFile("history.cfg"), old + test::textFile("D = 4\n"));
}

TEST_F(ReplacingFileTest, AFailureLeavesTheOldFileAsItWasAndNoFileBeside) {
    struct Case {
        const char* name;
        bool append;
        bool refuseReplace;
        const char* path;
    };
    const Case cases[] = {
        {"write, replace refused", false, true, "file.cfg"},
        {"append, replace refused", true, true, "file.cfg"},
        {"write, no such folder", false, false, "missing/file.cfg"},
        {"append, no such folder", true, false, "missing/file.cfg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile("file.cfg", "OLD = 1\n");
        fake.failFileReplace = c.refuseReplace;
        const bool written = c.append ? appendReplacing(c.path, text("NEW = 2\n")) : writeReplacing(c.path, text("NEW = 2\n"));
        EXPECT_FALSE(written);
        EXPECT_EQ(test::readFile("file.cfg"), test::textFile("OLD = 1\n"));
        EXPECT_FALSE(std::filesystem::exists(besideName(c.path)));
    }
}

TEST_F(ReplacingFileTest, AnOldFileThatCannotBeReadIsNotReplaced) {
    // A folder under the name stands in for a file that exists but cannot be read.
    std::filesystem::create_directory("history.cfg");
    EXPECT_FALSE(appendReplacing("history.cfg", text("A = 1\n")));
    EXPECT_TRUE(std::filesystem::is_directory("history.cfg"));
    EXPECT_FALSE(std::filesystem::exists(besideName("history.cfg")));
}

}  // namespace
}  // namespace vt
