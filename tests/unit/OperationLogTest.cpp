#include "settings/OperationLog.h"

#include <filesystem>

#include "app/ShellState.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

void setGpuName(int index, std::u16string_view name) {
    std::u16string text(name);
    std::copy(text.begin(), text.end(), inventory.slots[index].name);
    inventory.slots[index].name[text.size()] = u'\0';
}

class OperationLogTest : public test::PlatformTest {
protected:
    OperationLogTest() {
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        resetGpuInventory();
        lifecycle.programFolder = folder.path().string();
        fake.fixedClock = true;
        inventory.count = 2;
        setGpuName(0, u"GeForce GTX 1080");
        setGpuName(1, u"GeForce RTX 3080");
    }
    ~OperationLogTest() override {
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        resetGpuInventory();
    }
    std::string log() { return test::readFile("log/log.txt"); }
};

TEST_F(OperationLogTest, PrefixesEveryLineWithTheSelectedGpusName) {
    writeStartLine();
    logValue("POWER_TARGET", 120000);
    tuning.selectedGpu = 1;
    logWord("EASY_SETTINGS", "SUCCESSFUL");
    logLine("FAN_SPEED1 = RESET, FAN_SPEED2 = 60\n");
    EXPECT_EQ(log(), test::textFile("--- start application 2026/12/08 09:05:07 ---\n"
                                    "GeForce GTX 1080: POWER_TARGET = 120000\n"
                                    "GeForce RTX 3080: EASY_SETTINGS = SUCCESSFUL\n"
                                    "GeForce RTX 3080: FAN_SPEED1 = RESET, FAN_SPEED2 = 60\n"));
}

TEST_F(OperationLogTest, TwoRunsFollowEachOtherWithAnEmptyLineBetween) {
    writeStartLine();
    logValue("GPU_OFFSET", 100000);
    writeEndLine();
    fake.fixedTime = {2027, 1, 2, 23, 59, 0};
    writeStartLine();
    EXPECT_EQ(log(), test::textFile("--- start application 2026/12/08 09:05:07 ---\n"
                                    "GeForce GTX 1080: GPU_OFFSET = 100000\n"
                                    "--- end application 2026/12/08 09:05:07 ---\n"
                                    "\n"
                                    "--- start application 2027/01/02 23:59:00 ---\n"));
}

TEST_F(OperationLogTest, StartCreatesTheFolderButLaterLinesDoNot) {
    writeStartLine();
    EXPECT_EQ(fake.count("createDirectory log"), 1);
    std::filesystem::remove_all("log");
    logValue("MEM_OFFSET", 0);  // lost silently
    writeEndLine();
    EXPECT_FALSE(std::filesystem::exists("log"));
    writeStartLine();
    EXPECT_EQ(log(), test::textFile("--- start application 2026/12/08 09:05:07 ---\n"));
}

TEST_F(OperationLogTest, LinesGoToTheProgramFolderWhateverTheCurrentDirectory) {
    writeStartLine();
    std::filesystem::create_directory("elsewhere");
    std::filesystem::current_path("elsewhere");
    logValue("PSTATE", -1);
    std::filesystem::current_path(folder.path());
    EXPECT_NE(log().find("GeForce GTX 1080: PSTATE = -1"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("elsewhere/log"));
}

TEST_F(OperationLogTest, NonAsciiNamesAreWrittenInCodePage932) {
    setGpuName(0, u"テストGPU");
    writeStartLine();
    logWord("RESET", "FAILED");
    std::string text = log();
    // "テスト" in Shift-JIS.
    EXPECT_NE(text.find("\x83\x65\x83\x58\x83\x67GPU: RESET = FAILED"), std::string::npos);
}

TEST_F(OperationLogTest, SelectionOutsideTheSlotsGivesAnEmptyName) {
    writeStartLine();
    tuning.selectedGpu = 9;
    logValue("SLI-SYNC", 1);
    tuning.selectedGpu = -1;
    logValue("SLI-SYNC", 0);
    EXPECT_NE(log().find(test::textFile(": SLI-SYNC = 1\n: SLI-SYNC = 0\n")), std::string::npos);
}

}  // namespace
}  // namespace vt
