#include <filesystem>

#include "app/MainWindow.h"
#include "app/ShellState.h"
#include "platform/Messages.h"
#include "settings/TuningSettings.h"
#include "tests/unit/TestSupport.h"
#include "ui/BackBuffer.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

class StandInWindowTest : public test::PlatformTest {
protected:
    StandInWindowTest() {
        resetShellState();
        resetTuningSettings();
        shell.wndProcEnabled = 1;
        fake.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
    }
    ~StandInWindowTest() override {
        if (shell.mainWindow != nullptr) fake.sendMessage(shell.mainWindow, WM_DESTROY, 0, 0);
        resetShellState();
        resetTuningSettings();
    }
    void placeArchive() {
        std::filesystem::create_directory("skin");
        std::filesystem::copy_file(VT_TEST_SKIN_ARCHIVE, "skin/imgTemp");
    }
};

TEST_F(StandInWindowTest, ShowsTheSkinnedWindowBuiltFromTheArchive) {
    placeArchive();
    ASSERT_EQ(initMainWindow("VANTRELIS", "Vantrelis", SW_SHOWNORMAL, 3), 1);
    EXPECT_EQ(fake.count("createBackBuffer 640x650"), 1);
    ASSERT_NE(shell.rootView, nullptr);
    EXPECT_EQ(shell.rootView, widgets.root);
    EXPECT_EQ(widgets.root->childCount(), 533u);
    EXPECT_TRUE(fake.windowVisible(shell.mainWindow));

    fake.clearCalls();
    fake.sendMessage(shell.mainWindow, WM_PAINT, 0, 0);
    EXPECT_EQ(fake.callsStartingWith("beginPaint").size(), 1u);
    const std::vector<std::string> calls = fake.calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 2], "presentBackBuffer 640x650");
    EXPECT_EQ(calls.back(), "endPaint");
    // The background reached the back buffer: its fourth bytes are all cleared.
    EXPECT_EQ(backBuffer.surface().pixels[3], 0);

    fake.sendMessage(shell.mainWindow, WM_DESTROY, 0, 0);
    EXPECT_EQ(shell.rootView, nullptr);
    EXPECT_EQ(widgets.root, nullptr);
    EXPECT_FALSE(backBuffer.exists());
    EXPECT_EQ(fake.count("destroyBackBuffer"), 1);
    shell.mainWindow = nullptr;
}

TEST_F(StandInWindowTest, WithoutTheArchiveTheUserIsToldAndNoWindowShows) {
    EXPECT_EQ(initMainWindow("VANTRELIS", "Vantrelis", SW_SHOWNORMAL, 3), 0);
    EXPECT_EQ(fake.callsStartingWith("messageBox"),
              (std::vector<std::string>{"messageBox owner=" + [&] {
                  std::ostringstream hex;
                  hex << std::hex << reinterpret_cast<std::uintptr_t>(shell.mainWindow);
                  return hex.str();
              }() + " caption=Vantrelis text=アーカイブファイルを読み込めません"}));
    EXPECT_FALSE(fake.windowVisible(shell.mainWindow));
    EXPECT_EQ(shell.wndProcEnabled, 0);
    EXPECT_EQ(shell.rootView, nullptr);
    EXPECT_FALSE(backBuffer.exists());
    shell.mainWindow = nullptr;
}

}  // namespace
}  // namespace vt
