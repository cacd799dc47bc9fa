#include "settings/DialogProcedure.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/ShellState.h"
#include "platform/Messages.h"
#include "settings/SettingsHistory.h"
#include "state/Lifecycle.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

class DialogProcedureTest : public test::PlatformTest {
protected:
    DialogProcedureTest() {
        resetLifecycle();
        resetShellState();
        dialogs = {};
        lifecycle.programFolder = folder.path().string();
        fake.registerWindowClass({"MAIN", 0, [](WindowHandle, std::uint32_t, WParam, LParam) -> LResult { return 0; },
                                  nullptr, nullptr});
        lifecycle.mainWindow = fake.createWindow("MAIN", "Vantrelis", WsPopup, 100, 50, 640, 650);
        fake.clearCalls();
    }
    ~DialogProcedureTest() override {
        resetLifecycle();
        resetShellState();
        dialogs = {};
    }

    static void selectTab(WindowHandle dialog, FakePlatform& fake, int tab) {
        fake.tabSelection = tab;
        NotifyHeader header{nullptr, IDC_TABS, TcnSelChange};
        dialogProcedure(dialog, WmNotify, 0, reinterpret_cast<LParam>(&header));
    }
};

TEST_F(DialogProcedureTest, EachButtonLandsInItsDialogsSlot) {
    struct Case {
        std::uint32_t dialog;
        int slot;
        int button;
    } cases[] = {
        {IDD_SETTINGS, 9, 1000}, {IDD_SETTINGS, 9, 1001}, {IDD_SETTINGS, 9, 1020},
        {IDD_SETTINGS, 9, 1021}, {IDD_SETTINGS, 9, 1028}, {IDD_SETTINGS, 9, 1031},
        {IDD_ADVANCED_WARNING, 7, 1004}, {IDD_ADVANCED_WARNING, 7, 1005},
        {IDD_RESET_CONFIRM, 3, 1016}, {IDD_RESET_CONFIRM, 3, 1017},
        {IDD_CURVE_NOTICE, 2, 1030},
    };
    for (const Case& c : cases) {
        fake.dialogButtons[c.dialog].push_back(c.button);
        EXPECT_EQ(runSlotDialog(c.dialog, c.slot), c.button) << c.button;
        EXPECT_EQ(lifecycle.modal.slot[c.slot], c.button);
        EXPECT_FALSE(lifecycle.modal.anyOpen());
    }
    EXPECT_EQ(fake.count("endDialog"), static_cast<int>(std::size(cases)));
}

TEST_F(DialogProcedureTest, SlotReadsOpenWhileTheDialogIsUp) {
    bool sawOpen = false;
    fake.onDialogOpen = [&](WindowHandle, std::uint32_t) { sawOpen = lifecycle.modal.slot[3] == -10000000; };
    fake.dialogButtons[IDD_RESET_CONFIRM].push_back(1016);
    runSlotDialog(IDD_RESET_CONFIRM, 3);
    EXPECT_TRUE(sawOpen);
}

TEST_F(DialogProcedureTest, CloseBoxOfTheWarningCountsAsCancel) {
    dialogs.selectedTab = 1;
    fake.dialogButtons[IDD_ADVANCED_WARNING].push_back(-1);  // no button: the close box
    EXPECT_EQ(runSlotDialog(IDD_ADVANCED_WARNING, 7), 1005);
    EXPECT_EQ(dialogs.selectedTab, 0);
}

TEST_F(DialogProcedureTest, EscapeNeverLeavesASlotOpen) {
    for (int slot : {2, 3, 7, 9}) {
        EXPECT_EQ(runSlotDialog(IDD_RESET_CONFIRM, slot), 0) << slot;  // closed with IdCancel
        EXPECT_FALSE(lifecycle.modal.anyOpen()) << slot;
    }
}

TEST_F(DialogProcedureTest, CentresEveryDialogOnTheMainWindow) {
    showNotice(IDD_OPEN_ERROR);
    // The fake's dialogs are 300 x 200; the main window is at (100, 50).
    EXPECT_EQ(fake.count("setWindowPos 270,275 0x0 flags=d"), 1);
}

TEST_F(DialogProcedureTest, SettingsDialogOpensOnItsFirstTab) {
    fake.dialogButtons[IDD_SETTINGS].push_back(2);
    runSlotDialog(IDD_SETTINGS, 9);
    auto calls = fake.calls();
    auto at = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
    EXPECT_LT(at("setDialogClientSize 271x250"), at("insertTab 1022 0 設定ファイル/システム情報"));
    EXPECT_EQ(fake.count("resizeDialogItem 1022 245x234"), 1);
    for (int id : {1026, 1021, 1027, 1028, 1029, 1031}) {
        EXPECT_EQ(fake.count("showDialogItem " + std::to_string(id) + " hide"), 1) << id;
    }
    EXPECT_EQ(fake.count("setDialogItemText 1027 履歴の読み込み"), 1);
    EXPECT_EQ(fake.count("setDialogItemText 1028 --- Empty ---"), 1);
    EXPECT_EQ(fake.count("insertTab 1022 1 設定履歴"), 1);
    EXPECT_EQ(fake.count("setProgressRange"), 0);
}

// Whatever width the dialog font gives a dialog unit, every control a tab
// shows lies inside the client area that tab gives the dialog.
TEST_F(DialogProcedureTest, EveryPlacedControlFitsItsTab) {
    struct Case {
        int tab;  // -1: as the dialog opens
        int width;
        std::set<int> placed;
    } cases[] = {
        {-1, 271, {1023, 1000, 1024, 1001, 1025, 1020}},
        {1, 520, {1023, 1000, 1024, 1001, 1025, 1020, 1026, 1021, 1027, 1028, 1029, 1031, 1032}},
        {0, 271, {1023, 1000, 1024, 1001, 1025, 1020}},
    };
    for (const Case& c : cases) {
        fake.clearCalls();
        std::vector<std::string> laidOut;  // the calls of the last layout: the opening or the last tab change
        fake.onDialogOpen = [&](WindowHandle dialog, std::uint32_t) {
            if (c.tab < 0) return;
            selectTab(dialog, fake, 1);
            if (c.tab == 0) selectTab(dialog, fake, 0);
            const std::vector<std::string> calls = fake.calls();
            auto last = std::find_if(calls.rbegin(), calls.rend(),
                                     [](const std::string& call) { return call.starts_with("setDialogClientSize"); });
            laidOut.assign(last.base() - 1, calls.end());
        };
        fake.dialogButtons[IDD_SETTINGS].push_back(2);
        runSlotDialog(IDD_SETTINGS, 9);
        if (c.tab < 0) laidOut = fake.calls();
        std::set<int> placed;
        for (const std::string& call : laidOut) {
            int id = 0, x = 0, y = 0, w = 0, h = 0;
            if (std::sscanf(call.c_str(), "placeDialogItem %d %d,%d %dx%d", &id, &x, &y, &w, &h) != 5) continue;
            placed.insert(id);
            EXPECT_GE(x, 0) << c.tab << " " << call;
            EXPECT_LE(x + w, c.width) << c.tab << " " << call;
            EXPECT_LE(y + h, 250) << c.tab << " " << call;
        }
        EXPECT_EQ(placed, c.placed) << c.tab;
    }
}

TEST_F(DialogProcedureTest, ClearButtonIsHiddenUntilTheHistoryTabShows) {
    fake.dialogButtons[IDD_SETTINGS].push_back(2);
    runSlotDialog(IDD_SETTINGS, 9);
    EXPECT_EQ(fake.count("showDialogItem 1032 hide"), 1);
    EXPECT_EQ(fake.count("showDialogItem 1032 show"), 0);
    // The tab control takes the first focus, as the first control of the tab order would.
    EXPECT_EQ(fake.count("focusDialogItem 1022"), 1);
    fake.clearCalls();
    showNotice(IDD_HISTORY_ERROR);
    EXPECT_EQ(fake.count("focusDialogItem"), 0);
}

TEST_F(DialogProcedureTest, OtherDialogsAreNotLaidOutAsSettings) {
    showNotice(IDD_HISTORY_ERROR);
    EXPECT_EQ(fake.count("setDialogClientSize"), 0);
    EXPECT_EQ(fake.count("insertTab"), 0);
}

TEST_F(DialogProcedureTest, HistoryTabShowsTheNewestRecordsFirst) {
    std::filesystem::create_directory("history");
    test::writeFile("history/historycfg",
                    "Create = 2026/12/01 08:00:00\nGPU = 0\nVer = 2.10\n\n"
                    "Create = 2026/12/02 09:30:15\nGPU = 0\nVer = 2.10\n\n");
    fake.onDialogOpen = [&](WindowHandle dialog, std::uint32_t) { selectTab(dialog, fake, 1); };
    fake.dialogButtons[IDD_SETTINGS].push_back(2);
    runSlotDialog(IDD_SETTINGS, 9);
    EXPECT_EQ(dialogs.selectedTab, 1);
    EXPECT_EQ(fake.count("setDialogClientSize 520x250"), 1);
    EXPECT_EQ(fake.count("setDialogItemText 1000 2026/12/02 09:30:15"), 1);
    EXPECT_EQ(fake.count("setDialogItemText 1001 2026/12/01 08:00:00"), 1);
    for (int id : {1020, 1021, 1028, 1031}) {
        EXPECT_EQ(fake.count("setDialogItemText " + std::to_string(id) + " --- Empty ---"), id == 1020 ? 1 : 2) << id;
    }
    EXPECT_EQ(fake.count("placeDialogItem 1020 32,205 202x28"), 1);
    EXPECT_EQ(fake.count("showDialogItem 1032 show"), 1);
}

TEST_F(DialogProcedureTest, FilesTabRestoresItsLayoutAndTexts) {
    fake.onDialogOpen = [&](WindowHandle dialog, std::uint32_t) {
        selectTab(dialog, fake, 1);
        fake.clearCalls();
        selectTab(dialog, fake, 0);
    };
    fake.dialogButtons[IDD_SETTINGS].push_back(2);
    runSlotDialog(IDD_SETTINGS, 9);
    EXPECT_EQ(fake.count("setDialogClientSize 271x250"), 1);
    EXPECT_EQ(fake.count("placeDialogItem 1023 19,46 233x54"), 1);
    EXPECT_EQ(fake.count("setDialogItemText 1000 設定の保存"), 1);
    EXPECT_EQ(fake.count("showDialogItem 1032 hide"), 1);
    EXPECT_EQ(fake.count("setDialogItemText 1020 システム情報の保存"), 1);
}

TEST_F(DialogProcedureTest, ClearingTheHistoryKeepsTheDialogOpen) {
    std::filesystem::create_directory("history");
    test::writeFile("history/historycfg", "Create = 2026/12/01 08:00:00\nGPU = 0\nVer = 2.10\n\n");
    fake.dialogButtons[IDD_SETTINGS].push_back(1032);  // then the close box
    runSlotDialog(IDD_SETTINGS, 9);
    EXPECT_EQ(test::readFile("history/historycfg"), "");
    EXPECT_EQ(fake.count("setDialogItemText 1000 --- Empty ---"), 1);
    EXPECT_EQ(fake.count("endDialog 2"), 1);  // closed by the close box, not by the clear button
    EXPECT_EQ(lifecycle.modal.slot[9], 1032);
}

TEST_F(DialogProcedureTest, ProgressDialogFollowsTheCollector) {
    dialogs.collectorRunning = 1;
    std::uint32_t waited = 0;
    fake.onDialogOpen = [&](WindowHandle dialog, std::uint32_t) {
        dialogProcedure(dialog, WM_PROGRESS_STEP, 0, 0);
        dialogProcedure(dialog, WM_PROGRESS_DONE, 0, 0);
        std::uint32_t start = fake.tickCount();
        dialogProcedure(dialog, WM_PROGRESS_ERROR, 0, 0);
        waited = fake.tickCount() - start;
    };
    showNotice(IDD_PROGRESS);
    EXPECT_EQ(fake.count("setProgressRange 1021 0..125 step=5"), 1);
    EXPECT_EQ(fake.count("stepProgress 1021"), 1);
    EXPECT_EQ(fake.count("setDialogItemText 1033 システム情報ファイルを作成しました"), 1);
    EXPECT_EQ(fake.count("setDialogItemText 1033 エラーが発生しました、終了します"), 1);
    EXPECT_GE(waited, 1000u);
    EXPECT_EQ(fake.count("endDialog 0"), 1);
}

}  // namespace
}  // namespace vt
