#include "settings/Options.h"

#include <filesystem>

#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

class OptionsTest : public test::PlatformTest {
protected:
    OptionsTest() { std::filesystem::create_directory("profile"); }
};

TEST_F(OptionsTest, NoFileGivesEveryOptionOff) {
    const OptionsFile file = readOptions(OptionsPath);
    EXPECT_EQ(file.state, OptionsState::Missing);
    EXPECT_EQ(file.options, ProgramOptions{});
    EXPECT_FALSE(std::filesystem::exists(OptionsPath));
}

TEST_F(OptionsTest, ReadsEachKnownKey) {
    struct Case {
        const char* text;
        bool startWithWindows, hotkeys, monitorLog;
    } const cases[] = {
        {"START_WITH_WINDOWS = 1\nHOTKEYS = 0\nMONITOR_LOG = 0\n", true, false, false},
        {"HOTKEYS = 1\n", false, true, false},
        {"MONITOR_LOG=1", false, false, true},
        {"  MONITOR_LOG  =  1  \r\nHOTKEYS = 1\r\n\r\n", false, true, true},
        {"", false, false, false},
        {"\n\n", false, false, false},
    };
    for (const Case& c : cases) {
        test::writeBinaryFile(OptionsPath, c.text);
        const OptionsFile file = readOptions(OptionsPath);
        EXPECT_EQ(file.state, OptionsState::Read) << c.text;
        EXPECT_EQ(file.options.startWithWindows, c.startWithWindows) << c.text;
        EXPECT_EQ(file.options.hotkeys, c.hotkeys) << c.text;
        EXPECT_EQ(file.options.monitorLog, c.monitorLog) << c.text;
        EXPECT_TRUE(file.options.otherLines.empty());
    }
}

TEST_F(OptionsTest, UnknownKeysAreKeptAndWrittenBack) {
    test::writeBinaryFile(OptionsPath, "THEME = dark\nHOTKEYS = 1\nLANGUAGE=ja\n");
    OptionsFile file = readOptions(OptionsPath);
    ASSERT_EQ(file.state, OptionsState::Read);
    EXPECT_EQ(file.options.otherLines, (std::vector<std::string>{"THEME = dark", "LANGUAGE = ja"}));
    file.options.monitorLog = true;
    ASSERT_TRUE(writeOptions(OptionsPath, file.options));
    EXPECT_EQ(test::readFile(OptionsPath),
              test::textFile("START_WITH_WINDOWS = 0\nHOTKEYS = 1\nMONITOR_LOG = 1\nTHEME = dark\nLANGUAGE = ja\n"));
    EXPECT_EQ(readOptions(OptionsPath).options, file.options);
    EXPECT_FALSE(std::filesystem::exists(OptionsPath + std::string(".new")));
}

TEST_F(OptionsTest, DamagedFileGivesTheDefaults) {
    const std::string damaged[] = {
        "HOTKEYS = 1\nthis is not an option\n",
        "HOTKEYS = yes\n",
        "HOTKEYS = 2\n",
        "HOTKEYS = \n",
        "HOTKEYS = 1\nHOTKEYS = 0\n",
        "= 1\n",
        "HOT KEYS = 1\n",
        std::string("HOTKEYS = 1\n\0\0\0", 15),
        std::string(70 * 1024, 'A'),
    };
    for (const std::string& text : damaged) {
        test::writeBinaryFile(OptionsPath, text);
        const OptionsFile file = readOptions(OptionsPath);
        EXPECT_EQ(file.state, OptionsState::Damaged) << text.substr(0, 40);
        EXPECT_EQ(file.options, ProgramOptions{}) << text.substr(0, 40);
        // Reading never repairs or rewrites the file.
        EXPECT_EQ(test::readFile(OptionsPath), text);
    }
}

TEST_F(OptionsTest, DefaultsWriteAllThreeKeysOff) {
    EXPECT_EQ(optionsText(ProgramOptions{}), "START_WITH_WINDOWS = 0\nHOTKEYS = 0\nMONITOR_LOG = 0\n");
}

TEST_F(OptionsTest, WriteFailsWithoutItsFolder) {
    std::filesystem::remove_all("profile");
    EXPECT_FALSE(writeOptions(OptionsPath, ProgramOptions{}));
    EXPECT_FALSE(std::filesystem::exists(OptionsPath));
}

}  // namespace
}  // namespace vt
