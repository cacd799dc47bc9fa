#include "app/panels/SettingsButton.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "gpu/CurrentProfile.h"
#include "platform/Messages.h"
#include "settings/DialogProcedure.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "tests/unit/TestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

using A = SettingsAction;

TEST(SettingsChoice, EveryButtonOnEveryTab) {
    struct Case {
        int button;
        int tab;
        SettingsAction action;
        int age;
    } cases[] = {
        {1000, 0, A::SaveProfile, 0},  {1000, 1, A::LoadHistory, 1},
        {1001, 0, A::LoadProfile, 0},  {1001, 1, A::LoadHistory, 2},
        {1020, 0, A::SystemReport, 0}, {1020, 1, A::LoadHistory, 3},
        {1021, 0, A::None, 0},         {1021, 1, A::LoadHistory, 4},
        {1028, 0, A::None, 0},         {1028, 1, A::LoadHistory, 5},
        {1031, 0, A::None, 0},         {1031, 1, A::LoadHistory, 6},
        {1032, 0, A::None, 0},         {1032, 1, A::None, 0},
        {0, 0, A::None, 0},            {0, 1, A::None, 0},  // closed without a button
        {1, 0, A::None, 0},            {1000, 2, A::None, 0},
    };
    for (const Case& c : cases) {
        const SettingsChoice choice = settingsChoiceFor(c.button, c.tab);
        EXPECT_EQ(choice.action, c.action) << c.button << " on tab " << c.tab;
        EXPECT_EQ(choice.age, c.age) << c.button << " on tab " << c.tab;
    }
}

// The line "KEY = value" of a profile text replaced.
std::string withLine(const std::string& text, const std::string& key, const std::string& value) {
    return std::regex_replace(text, std::regex("(^|\n)" + key + " = [^\n]*"), "$1" + key + " = " + value);
}

std::string currentProfileText() {
    std::FILE* out = std::fopen("expected.cfg", "w");
    writeCurrentProfile(out);
    std::fclose(out);
    return test::readFile("expected.cfg");
}

class SettingsDialogTest : public test::PanelTest {
protected:
    SettingsDialogTest() {
        openWindow({"current"});
        std::filesystem::create_directory("history");
    }

    // Clicks the settings button; the dialog is left with `button` on `tab`.
    void chooseInDialog(int button, int tab = 0) {
        fake.onDialogOpen = [this, tab, outer = fake.onDialogOpen](WindowHandle dialog, std::uint32_t id) {
            if (id == IDD_SETTINGS && tab != 0) {
                fake.tabSelection = tab;
                NotifyHeader header{nullptr, IDC_TABS, TcnSelChange};
                dialogProcedure(dialog, WmNotify, 0, reinterpret_cast<LParam>(&header));
            }
            if (outer) outer(dialog, id);
        };
        if (button != 0) fake.dialogButtons[IDD_SETTINGS].push_back(button);
        clickOn(*widgets.profileButton);
        tick();
        fake.onDialogOpen = nullptr;
    }

    // Dialog templates opened, in order.
    std::vector<int> dialogsShown() const {
        std::vector<int> shown;
        for (const std::string& call : fake.callsStartingWith("dialogBox ")) shown.push_back(std::stoi(call.substr(10)));
        return shown;
    }
    // Calls that change the card; the window's refresh only reads.
    int driverWrites() const {
        int writes = 0;
        for (const auto& call : driver().calls()) writes += call.operation.rfind("Get", 0) != 0;
        return writes;
    }
    std::string owner() const {
        std::ostringstream text;
        text << std::hex << reinterpret_cast<std::uintptr_t>(window);
        return text.str();
    }

    static std::string record(const std::string& stamp, const std::string& profile) {
        return "Create = " + stamp + "\n" + profile + "\n";
    }
};

TEST_F(SettingsDialogTest, EveryChoiceLeadsToItsActionOrToNothing) {
    // Every file dialog is cancelled and the history is empty, so each action
    // ends in its own notice.
    fake.failFileDialog = true;
    test::writeFile("history/historycfg", "");
    struct Case {
        int button;
        int tab;
        std::vector<int> shown;
        const char* fileDialog;
    } cases[] = {
        {1000, 0, {129, 1}, "fileDialog save title=ファイルを保存"},
        {1001, 0, {129, 135}, "fileDialog open title=ファイルを開く"},
        {1020, 0, {129, 141}, "fileDialog save title=ファイルを保存"},
        {1021, 0, {129}, nullptr},
        {1028, 0, {129}, nullptr},
        {1031, 0, {129}, nullptr},
        {1032, 0, {129}, nullptr},
        {0, 0, {129}, nullptr},
        {0, 1, {129}, nullptr},
        {1032, 1, {129}, nullptr},
    };
    for (const Case& c : cases) {
        fake.clearCalls();
        chooseInDialog(c.button, c.tab);
        EXPECT_EQ(dialogsShown(), c.shown) << c.button << " on tab " << c.tab;
        if (c.fileDialog != nullptr) {
            ASSERT_EQ(fake.count("fileDialog"), 1) << c.button;
            EXPECT_EQ(fake.callsStartingWith("fileDialog")[0].rfind(c.fileDialog, 0), 0u) << c.button;
        } else {
            EXPECT_EQ(fake.count("fileDialog"), 0) << c.button;
        }
        EXPECT_EQ(driverWrites(), 0) << c.button;
        EXPECT_EQ(lifecycle.modal.slot[9], 0) << c.button;
        EXPECT_EQ(shell.input.mouseButton, BUTTON_IDLE) << c.button;
        EXPECT_EQ(shell.capturedView, nullptr) << c.button;
    }
    // Each history slot of an empty history fails to load.
    for (int button : {1000, 1001, 1020, 1021, 1028, 1031}) {
        fake.clearCalls();
        chooseInDialog(button, 1);
        EXPECT_EQ(dialogsShown(), (std::vector<int>{129, 190}))
            << button;
        EXPECT_EQ(fake.count("fileDialog"), 0) << button;
    }
}

TEST_F(SettingsDialogTest, OpensOnlyOnThePassAfterThePressAndOnlyOnce) {
    pressOn(*widgets.profileButton);
    EXPECT_EQ(fake.count("dialogBox"), 0);  // the window captures the button first
    tick();
    EXPECT_EQ(fake.count("dialogBox 129"), 1);
    releaseButton();
    tick(3);
    EXPECT_EQ(fake.count("dialogBox 129"), 1);
    EXPECT_FALSE(widgets.profileButton->pressed());
    EXPECT_FALSE(lifecycle.modal.anyOpen());
}

TEST_F(SettingsDialogTest, FileDialogsUseTheirFiltersAndOfferTheLastName) {
    fake.fileDialogAnswer = "first.cfg";
    chooseInDialog(1000);
    fake.fileDialogAnswer = "report.txt";
    fake.failFileDialog = true;  // cancelled: the name stays what it was
    chooseInDialog(1020);
    fake.failFileDialog = false;
    fake.fileDialogAnswer = "first.cfg";
    chooseInDialog(1001);
    const std::vector<std::string> expected = {
        "fileDialog save title=ファイルを保存 filter=Config File(*.cfg)|*.cfg ext=cfg flags=1000 owner=" + owner() +
            " offered=",
        "fileDialog save title=ファイルを保存 filter=SystemLog File(*.txt)|*.txt ext=txt flags=1000 owner=" + owner() +
            " offered=first.cfg",
        "fileDialog open title=ファイルを開く filter=Config File(*.cfg)|*.cfg ext=cfg flags=1000 owner=" + owner() +
            " offered=first.cfg",
    };
    EXPECT_EQ(fake.callsStartingWith("fileDialog"), expected);
}

TEST_F(SettingsDialogTest, SaveWritesTheProfileWritersBytes) {
    tuning.gpuOffset = 55000;
    tuning.easySettings = PresetEco;
    test::writeFile("mine.cfg", std::string(4000, 'x'));  // a longer file is replaced whole
    fake.fileDialogAnswer = "mine.cfg";
    chooseInDialog(1000);
    EXPECT_EQ(test::readFile("mine.cfg"), currentProfileText());
    EXPECT_NE(test::readFile("mine.cfg").find(test::textFile("GPU_OFFSET = 55000.000\n")), std::string::npos);
    EXPECT_EQ(dialogsShown().size(), 1u);  // no notice
}

TEST_F(SettingsDialogTest, SaveThatCannotWriteSaysSo) {
    fake.fileDialogAnswer = "no such folder/mine.cfg";
    chooseInDialog(1000);
    EXPECT_EQ(dialogsShown(), (std::vector<int>{129, 1}));
    EXPECT_FALSE(std::filesystem::exists("no such folder"));
}

TEST_F(SettingsDialogTest, LoadAppliesTheChosenFileAndFollowsItsPreset) {
    std::string text = withLine(currentProfileText(), "GPU_OFFSET", "75000.000");
    text = withLine(text, "EASY_SETTINGS", "2");
    test::writeFile("chosen.cfg", text);
    fake.fileDialogAnswer = "chosen.cfg";
    chooseInDialog(1001);
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 75000);
    EXPECT_EQ(tuning.easySettings.load(), PresetEco);
    EXPECT_EQ(panel.easyChoice, PresetEco);
    EXPECT_EQ(widgets.presetButton[PresetEco]->imageState(), 1);
    EXPECT_EQ(dialogsShown().size(), 1u);
}

TEST_F(SettingsDialogTest, CancelledLoadStillFollowsTheStoredPreset) {
    tuning.easySettings = PresetHighPerformance;
    panel.easyChoice = PresetEco;
    fake.failFileDialog = true;
    chooseInDialog(1001);
    EXPECT_EQ(fake.count("dialogBox 135"), 1);
    EXPECT_EQ(panel.easyChoice, PresetHighPerformance);
    EXPECT_EQ(widgets.presetButton[PresetHighPerformance]->imageState(), 1);
    EXPECT_EQ(driverWrites(), 0);
}

TEST_F(SettingsDialogTest, HistorySlotLoadsTheRecordOfItsAge) {
    const std::string base = currentProfileText();
    std::string history;
    for (int n = 1; n <= 3; ++n) {
        history += record("2026/12/0" + std::to_string(n) + " 10:00:00",
                          withLine(base, "GPU_OFFSET", std::to_string(n * 10000) + ".000"));
    }
    test::writeFile("history/historycfg", history);
    struct Case {
        int button;
        int expectedOffset;
    } cases[] = {{1000, 30000}, {1001, 20000}, {1020, 10000}};
    for (const Case& c : cases) {
        fake.clearCalls();
        chooseInDialog(c.button, 1);
        EXPECT_EQ(driver().gpu(0).graphicsDelta, c.expectedOffset) << c.button;
        EXPECT_EQ(fake.count("dialogBox 190"), 0) << c.button;
    }
}

TEST_F(SettingsDialogTest, FailedHistoryLoadKeepsWhatWasAppliedAndSaysSo) {
    std::string broken = withLine(currentProfileText(), "GPU_OFFSET", "40000.000");
    broken = std::regex_replace(broken, std::regex("POWER_TARGET = [^\n]*\n"), "");
    test::writeFile("history/historycfg", record("2026/12/02 08:00:00", broken));
    const std::uint32_t powerBefore = driver().gpu(0).powerLimit;
    chooseInDialog(1000, 1);
    EXPECT_EQ(fake.count("dialogBox 190"), 1);
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 40000);  // sent before the missing key
    EXPECT_EQ(driver().gpu(0).powerLimit, powerBefore);
    EXPECT_EQ(lifecycle.modal.slot[9], 0);
}

TEST_F(SettingsDialogTest, ClearLeavesAnExistingEmptyFileAndDoesNothingMore) {
    test::writeFile("history/historycfg", record("2026/12/02 08:00:00", currentProfileText()));
    chooseInDialog(1032, 1);
    EXPECT_TRUE(std::filesystem::exists("history/historycfg"));
    EXPECT_EQ(test::readFile("history/historycfg"), "");
    EXPECT_EQ(dialogsShown().size(), 1u);
    EXPECT_EQ(driverWrites(), 0);

    std::filesystem::remove("history/historycfg");
    chooseInDialog(1032, 1);
    EXPECT_FALSE(std::filesystem::exists("history/historycfg"));  // nothing to clear, nothing made
}

TEST_F(SettingsDialogTest, HistoryCaptionsShowTheNewestRecordsFirst) {
    for (int records : {0, 1, 6, 8}) {
        std::string history;
        for (int n = 1; n <= records; ++n) {
            history += record("2026/12/0" + std::to_string(n) + " 10:00:00", currentProfileText());
        }
        test::writeFile("history/historycfg", history);
        fake.clearCalls();
        chooseInDialog(0, 1);
        const int buttons[6] = {1000, 1001, 1020, 1021, 1028, 1031};
        for (int age = 1; age <= 6; ++age) {
            const int day = records - age + 1;
            const std::string caption =
                day >= 1 && age <= records ? "2026/12/0" + std::to_string(day) + " 10:00:00" : "--- Empty ---";
            EXPECT_EQ(fake.count("setDialogItemText " + std::to_string(buttons[age - 1]) + " " + caption),
                      age >= 4 && caption == "--- Empty ---" ? 2 : 1)
                << records << " records, age " << age;
        }
    }
}

class SystemReportTest : public SettingsDialogTest {
protected:
    // Waits in the progress dialog for the start thread's word.
    void waitInProgressDialog(const std::string& call) {
        fake.onDialogOpen = [this, call](WindowHandle, std::uint32_t id) {
            if (id != IDD_PROGRESS) return;
            for (int waited = 0; waited < 2000 && fake.count(call) == 0; waited += 5) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        };
    }
    void chooseReport() {
        fake.dialogButtons[IDD_SETTINGS].push_back(1020);
        clickOn(*widgets.profileButton);
        tick();
        fake.onDialogOpen = nullptr;
    }
};

TEST_F(SystemReportTest, StartsTheCollectorAndShowsTheProgressDialog) {
    fake.fileDialogAnswer = "C:\\My Reports\\system.txt";
    waitInProgressDialog("shellExecute");
    chooseReport();
    EXPECT_EQ(fake.callsStartingWith("shellExecute"),
              std::vector<std::string>{"shellExecute verb=open file=" + lifecycle.programFolder +
                                       "/Sysdigest.exe parameters=-o \"C:\\My Reports\\system.txt\" "
                                       "directory=(none) show=5"});
    EXPECT_EQ(dialogsShown(), (std::vector<int>{129, 165}));
    EXPECT_EQ(fake.count("setProgressRange 1021 0..125 step=5"), 1);
    EXPECT_EQ(dialogs.collectorRunning.load(), 0);
}

TEST_F(SystemReportTest, CollectorThatCannotStartClosesTheProgressAndSaysSo) {
    fake.fileDialogAnswer = "report.txt";
    fake.failShellExecute = true;
    // Either the dialog ends itself on opening or the start thread closes it.
    fake.onDialogOpen = [this](WindowHandle, std::uint32_t id) {
        if (id != IDD_PROGRESS) return;
        for (int waited = 0; waited < 2000 && fake.count("endDialog 0") == 0 && fake.count("postMessage 8006") == 0;
             waited += 5) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    chooseReport();
    EXPECT_EQ(dialogsShown(), (std::vector<int>{129, 165, 141}));
    EXPECT_EQ(fake.count("endDialog 0"), 1);  // closed by itself, not by the user
    EXPECT_EQ(fake.count("endDialog 2"), 1);  // the notice
}

}  // namespace
}  // namespace vt
