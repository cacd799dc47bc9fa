#include "app/panels/EasyPanel.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/shell/AppWindowHooks.h"
#include "app/panels/MonitorPanel.h"
#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "app/shell/Tray.h"
#include "gpu/Apply.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "settings/SettingsHistory.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

class EasyPanelTest : public test::PanelTest {
protected:
    void pressPreset(int preset) { click(centre(*widgets.presetButton[preset])); }
    static Point centre(const View& button) {
        return {button.position().x + button.normalImage().width / 2,
                button.position().y + button.normalImage().height / 2};
    }
    static std::vector<std::int32_t> buttonStates() {
        std::vector<std::int32_t> states;
        for (View* button : widgets.presetButton) states.push_back(button->imageState());
        return states;
    }
    static std::vector<float> overlayOpacities() {
        std::vector<float> opacities;
        for (int preset = 0; preset < PresetCount; ++preset) {
            EXPECT_EQ(widgets.largeOverlay[preset]->opacity(), widgets.smallOverlay[preset]->opacity());
            opacities.push_back(widgets.largeOverlay[preset]->opacity());
        }
        return opacities;
    }
    static void steps(int times) {
        for (int i = 0; i < times; ++i) presetIndicatorStep();
    }
};

TEST_F(EasyPanelTest, APressedPresetButtonBecomesThePendingPreset) {
    openWindow({"current"});
    struct Case {
        int preset;
        std::vector<std::int32_t> states;
    } const cases[] = {{PresetEco, {0, 0, 1}}, {PresetHighPerformance, {1, 0, 0}}, {PresetDefault, {0, 1, 0}}};
    for (const Case& c : cases) {
        pressPreset(c.preset);
        EXPECT_EQ(buttonStates(), c.states) << c.preset;
        EXPECT_EQ(panel.easyChoice, c.preset);
        EXPECT_EQ(tuning.easySettings, PresetCustom);  // chosen, not applied
    }
    // A second press on the selected button leaves it selected.
    pressPreset(PresetDefault);
    EXPECT_EQ(buttonStates(), (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_EQ(panel.easyChoice, PresetDefault);
}

TEST_F(EasyPanelTest, HoveringAnotherButtonPreviewsIt) {
    openWindow({"current"});
    pressPreset(PresetHighPerformance);
    struct Case {
        int pointedAt;  // -1: the background
        std::int32_t shown;
        bool hand;
    } constexpr cases[] = {{PresetEco, PresetEco, true},
                           {PresetDefault, PresetDefault, true},
                           {PresetHighPerformance, PresetCustom, false},  // the selected one: no preview
                           {-1, PresetCustom, false}};
    for (const Case& c : cases) {
        pointAt(c.pointedAt < 0 ? Point{5, 640} : centre(*widgets.presetButton[c.pointedAt]));
        tick(4);  // the hover mark takes a few pointer passes
        EXPECT_EQ(panel.shownPreset, c.shown) << c.pointedAt;
        EXPECT_EQ(shell.handCursor == 1, c.hand) << c.pointedAt;
        EXPECT_EQ(panel.easyChoice, PresetHighPerformance);
    }
}

TEST_F(EasyPanelTest, FadesReachTenAndZeroAndStopThere) {
    openWindow({"current"});
    panel.easyChoice = PresetDefault;
    panel.shownPreset = PresetCustom;
    steps(1);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.1f, 0.0f}));
    steps(8);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.9f, 0.0f}));
    steps(1);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 1.0f, 0.0f}));
    int before = repaints();
    steps(5);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(repaints(), before);  // at rest nothing is repainted

    // A preview fades the pending preset out while the previewed one comes in.
    panel.shownPreset = PresetEco;
    steps(3);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.7f, 0.3f}));

    // Custom, with nothing previewed: everything fades out, and stays out.
    panel.easyChoice = PresetCustom;
    panel.shownPreset = PresetCustom;
    steps(10);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.0f, 0.0f}));
    before = repaints();
    steps(3);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(repaints(), before);
}

TEST_F(EasyPanelTest, FramesTicksDriveTheFade) {
    openWindow({"current"});
    pressPreset(PresetEco);
    tick(12);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.0f, 1.0f}));
}

TEST_F(EasyPanelTest, AdvancedModeSetsTheLevelsAtOnceAndIgnoresPresses) {
    openWindow({"current"});
    panel.advancedMode = 1;
    tuning.easySettings = PresetEco;
    steps(1);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.0f, 1.0f}));
    pressPreset(PresetDefault);
    EXPECT_EQ(buttonStates(), (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_EQ(panel.easyChoice, PresetCustom);

    // Back in Easy Mode the applied preset starts one step below full.
    panel.advancedMode = 0;
    panel.easyChoice = PresetHighPerformance;
    steps(1);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.1f, 0.0f, 0.8f}));

    panel.advancedMode = 1;
    tuning.easySettings = PresetCustom;
    steps(1);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.0f, 0.0f}));
}

TEST_F(EasyPanelTest, ACardWithoutPresetsDimsTheButtonsAndTakesNoPress) {
    openWindow({"current", "unlisted"});
    auto expectEnabled = [](bool enabled) {
        for (View* button : {widgets.presetButton[0], widgets.presetButton[1], widgets.presetButton[2],
                             widgets.applyButton, widgets.resetButton}) {
            EXPECT_EQ(button->opacity(), enabled ? 1.0f : 0.5f);
            EXPECT_EQ(button->hitThrough(), !enabled);
        }
        for (int preset = 0; preset < PresetCount; ++preset) {
            EXPECT_EQ(widgets.largeOverlay[preset]->visible(), enabled);
            EXPECT_EQ(widgets.smallOverlay[preset]->visible(), enabled);
        }
    };
    tick();
    expectEnabled(true);
    tuning.selectedGpu = 1;
    tick();
    expectEnabled(false);
    pressPreset(PresetEco);
    EXPECT_EQ(buttonStates(), (std::vector<std::int32_t>{0, 0, 0}));
    panel.easyChoice = PresetDefault;
    steps(4);
    EXPECT_EQ(overlayOpacities(), (std::vector<float>{0.0f, 0.0f, 0.0f}));

    tuning.selectedGpu = 0;
    tick();
    expectEnabled(true);
}

TEST_F(EasyPanelTest, NothingChangesWhileAnApplyIsInProgress) {
    openWindow({"current", "unlisted"});
    DriverGate::Hold apply = gpuWorkers.gate().close(GateHolder::Apply);
    tuning.selectedGpu = 1;
    tick();
    EXPECT_EQ(widgets.presetButton[0]->opacity(), 1.0f);
    apply.release();
    tick();
    EXPECT_EQ(widgets.presetButton[0]->opacity(), 0.5f);
}

TEST_F(EasyPanelTest, ApplyingAPresetReachesTheCardAndRecoloursTheMeters) {
    struct Case {
        int preset;
        std::int32_t graphicsDelta;
        std::uint32_t powerLimit;
        std::uint32_t icon;
        std::uint32_t meterRgb;
    } constexpr cases[] = {
        {PresetHighPerformance, 89000, 115000, 164, 0xE50606},
        {PresetEco, 0, 80000, 162, 0x8DC21F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        openWindow({"current"});
        installWindowHooks();
        pressPreset(c.preset);
        click({260, 610});  // the apply button
        finishApplySettle();
        finishHistoryWriter();
        EXPECT_NE(log().find(test::textFile("GeForce RTX 3080: EASY_SETTINGS = SUCCESSFUL\n")), std::string::npos) << log();
        EXPECT_EQ(driver().gpu(0).graphicsDelta, c.graphicsDelta);
        EXPECT_EQ(driver().gpu(0).powerLimit, c.powerLimit);
        EXPECT_EQ(tuning.easySettings, c.preset);
        EXPECT_EQ(fake.callsStartingWith("setClassIcon").back(), "setClassIcon " + std::to_string(c.icon));
        EXPECT_EQ(FakePlatform::iconResourceId(trayIconData.icon), c.icon);
        send(WmTimer, TIMER_REFRESH);
        EXPECT_EQ(widgets.meterSegment[RowLoad][59]->colour(), 0x1E000000u | c.meterRgb);
        endTree();
        std::remove("log/log.txt");
    }
}

TEST_F(EasyPanelTest, ApplyAndResetShowTheirHelpAndHandOnlyWhenEnabled) {
    openWindow({"current", "unlisted"});
    struct Case {
        int gpu;
        bool shown;
    } constexpr cases[] = {{0, true}, {1, false}};
    for (const Case& c : cases) {
        tuning.selectedGpu = c.gpu;
        for (auto [button, help] : {std::pair{widgets.applyButton, widgets.applyHelp},
                                    std::pair{widgets.resetButton, widgets.resetHelp}}) {
            pointAt({5, 640});
            tick();
            pointAt(centre(*button));
            tick(59);
            EXPECT_FALSE(help->visible());
            EXPECT_EQ(fake.cursorShape() == CursorShape::Hand, c.shown) << c.gpu;
            tick();
            EXPECT_EQ(help->visible(), c.shown) << c.gpu;
            pointAt({5, 640});
            tick();
            EXPECT_FALSE(help->visible());
        }
    }
}

}  // namespace
}  // namespace vt
