#include "settings/SettingsHistory.h"

#include <filesystem>

#include "app/ShellState.h"
#include "settings/Profile.h"
#include "settings/ReplacingFile.h"
#include "state/Lifecycle.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

class SettingsHistoryTest : public test::PlatformTest {
protected:
    SettingsHistoryTest() {
        resetLifecycle();
        resetShellState();
        lifecycle.programFolder = folder.path().string();
        fake.fixedClock = true;
    }
    ~SettingsHistoryTest() override {
        finishHistoryWriter();
        resetLifecycle();
        resetShellState();
    }

    // One apply; the record's values name the apply so tests can tell them apart.
    void apply(int number) {
        fake.fixedTime = {2026, 12, 8, 10, 0, number};
        recordApply([number](std::FILE* out) {
            std::fprintf(out, "DeviceID = 1b8010de\nGPU = %d\nVer = 2.10\n", number);
        });
    }

    static std::string record(int number) {
        char text[128];
        std::snprintf(text, sizeof text, "Create = 2026/12/08 10:00:%02d\nDeviceID = 1b8010de\nGPU = %d\nVer = 2.10\n\n",
                      number, number);
        return text;
    }

    std::string history() { return test::readFile("history/historycfg"); }
};

TEST_F(SettingsHistoryTest, FirstApplyCreatesTheFolderAndOneRecord) {
    apply(1);
    EXPECT_EQ(fake.count("createDirectory " + historyFolder()), 1);
    // The record is written whole once its values are due; until then there
    // is none, never a Create line without values.
    EXPECT_FALSE(std::filesystem::exists(historyPath()));
    fake.fixedTime = {2026, 12, 8, 10, 0, 59};  // the record keeps the time of its apply
    finishHistoryWriter();
    EXPECT_EQ(history(), test::textFile(record(1)));
}

TEST_F(SettingsHistoryTest, SevenAppliesKeepTheNewestSix) {
    for (int number = 1; number <= 7; ++number) apply(number);
    finishHistoryWriter();
    std::string expected;
    for (int number = 2; number <= 7; ++number) expected += record(number);
    EXPECT_EQ(history(), test::textFile(expected));
    EXPECT_EQ(countRecords(historyPath()), 6);
    std::string oldest;
    ASSERT_TRUE(lookupTextInRecord(historyPath(), "Create", oldest, 6));
    EXPECT_EQ(oldest, "2026/12/08 10:00:02");
}

TEST_F(SettingsHistoryTest, QuickAppliesNeverInterleaveTheirRecords) {
    apply(1);
    apply(2);  // before the first writer's delay is over
    finishHistoryWriter();
    EXPECT_EQ(history(), test::textFile(record(1) + record(2)));
    std::int32_t gpu = 0;
    ASSERT_TRUE(lookupIntegerInRecord(historyPath(), "GPU", gpu, 2));
    EXPECT_EQ(gpu, 1);
}

TEST_F(SettingsHistoryTest, ClearingEmptiesTheFileAndTheNextApplyStartsAfresh) {
    apply(1);
    apply(2);
    finishHistoryWriter();
    clearHistory();
    EXPECT_TRUE(std::filesystem::exists("history/historycfg"));
    EXPECT_EQ(history(), "");
    apply(3);
    finishHistoryWriter();
    EXPECT_EQ(history(), test::textFile(record(3)));
}

TEST_F(SettingsHistoryTest, ClearingWithoutAFileCreatesNone) {
    clearHistory();
    EXPECT_FALSE(std::filesystem::exists("history/historycfg"));
}

TEST_F(SettingsHistoryTest, ResetAtStartUpLeavesAnEmptyFile) {
    std::filesystem::create_directory("history");
    test::writeFile("history/historycfg", record(1));
    resetHistory();
    EXPECT_EQ(history(), "");
    std::filesystem::remove_all("history");
    resetHistory();
    EXPECT_TRUE(std::filesystem::exists("history/historycfg"));
    EXPECT_EQ(history(), "");
}

TEST_F(SettingsHistoryTest, LargeHandEditedFileKeepsEveryRecordAfterTheOldest) {
    std::string kept;
    for (int number = 2; number <= 6; ++number) {
        kept += "Create = 2026/11/30 08:00:0" + std::to_string(number) + "\nDeviceID = 1b8010de\n";
        kept += "BACKSCREEN = " + std::string(2000, static_cast<char>('a' + number)) + "\n";
        kept += "GPU = " + std::to_string(number) + "\nVer = 2.10\n\n";
    }
    std::filesystem::create_directory("history");
    test::writeFile("history/historycfg", record(1) + kept);
    ASSERT_GT(test::readFile("history/historycfg").size(), 10000u);

    apply(7);
    finishHistoryWriter();

    EXPECT_EQ(history(), test::textFile(kept + record(7)));
}

TEST_F(SettingsHistoryTest, EveryWriteTakesThePlaceOfTheFileInOneStep) {
    for (int number = 1; number <= 7; ++number) apply(number);  // the seventh drops the oldest
    finishHistoryWriter();
    // Each record, with the oldest dropped where six are kept, in one whole file.
    EXPECT_EQ(fake.count("replaceFile " + besideName(historyPath()) + " " + historyPath()), 7);
    EXPECT_FALSE(std::filesystem::exists(besideName(historyPath())));
}

TEST_F(SettingsHistoryTest, ARecordThatCannotBePutInPlaceLeavesTheHistoryAsItWas) {
    for (int kept : {1, 6}) {  // appending, and dropping the oldest
        SCOPED_TRACE(kept);
        clearHistory();
        fake.failFileReplace = false;
        for (int number = 1; number <= kept; ++number) apply(number);
        finishHistoryWriter();
        const std::string before = history();

        fake.failFileReplace = true;
        apply(9);
        finishHistoryWriter();

        EXPECT_EQ(history(), before);
        EXPECT_EQ(countRecords(historyPath()), kept);
    }
}

}  // namespace
}  // namespace vt
