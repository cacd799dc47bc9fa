#include <functional>
#include <string>

#include "app/PanelEdit.h"
#include "app/panels/PanelPass.h"
#include "app/ShellState.h"
#include "app/panels/SliderPanel.h"
#include "gpu/Reset.h"
#include "platform/Messages.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

std::string utf8(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string textOf(const View* view) { return utf8(view->text()); }

// Advanced Mode on a current card (two fans, fan curve) with every range known.
class SliderPanelTest : public test::PanelTest {
protected:
    void open(const std::vector<std::string>& cards = {"current"}) {
        openWindow(cards);
        tuning.gpuOffsetMin = -510000, tuning.gpuOffsetMax = 200000, tuning.gpuOffset = 50000;
        tuning.memOffsetMin = -51000, tuning.memOffsetMax = 200000, tuning.memOffset = -20000;
        tuning.powerTargetMin = 50000, tuning.powerTargetMax = 115000, tuning.powerTarget = 100000;
        tuning.tempTargetMin = 65, tuning.tempTargetMax = 91, tuning.tempTarget = 83;
        monitor.fpsTargetMin = 30, monitor.fpsTargetMax = 120;
        tuning.fpsTarget = 60;
        GpuSlot& gpu = inventory.slots[0];
        gpu.fan1Min = 30, gpu.fan1Max = 100, gpu.fan2Min = 30, gpu.fan2Max = 100;
        tuning.fanSpeed1ToKeep = 55;
        tuning.fanSpeed2ToKeep = ValueAutomatic;
        enterAdvancedModeByClick();
        ASSERT_EQ(panel.advancedMode, 1);
    }
    void showPage(int page) {
        lifecycle.activePage = page;
        refreshSliders();
    }
    const SliderWidgets& slider(int s) const { return widgets.slider[s]; }
    std::string valueText(int s) const { return textOf(slider(s).valueText); }
    std::int32_t knobX(int s) const { return slider(s).knob->position().x; }
    void key(WParam key) { send(WmKeyDown, key); }
};

TEST_F(SliderPanelTest, EachPageShowsItsStoredValuesBoundsAndTexts) {
    open();
    struct Case {
        int page, slider;
        const char* minimum;
        const char* maximum;
        const char* value;
        std::int32_t knob;
        double working;
    } const cases[] = {
        {0, 0, "-510", "200", "+50 MHz", 418, 50}, {0, 1, "-51", "200", "-20 MHz", 257, -20},
        {1, 0, "50", "115", "100 ％", 412, 100},   {1, 1, "65", "91", "83 ℃", 392, 83},
        {2, 0, "30", "120", "60 FPS", 306, 60},    {3, 0, "30", "100", "55 ％", 312, 55},
        {3, 1, "30", "100", "AUTO", 228, -100},
    };
    const std::function<double()> working[] = {
        [] { return panel.gpuOffsetEdit; },  [] { return panel.memOffsetEdit; }, [] { return panel.powerTargetEdit; },
        [] { return panel.tempTargetEdit; }, [] { return panel.fpsTargetEdit; }, [] { return panel.fanSpeedEdit; },
        [] { return panel.fan2SpeedEdit; },
    };
    int row = 0;
    for (const Case& c : cases) {
        showPage(c.page);
        const SliderWidgets& s = slider(c.slider);
        EXPECT_EQ(textOf(s.minLabel), c.minimum) << c.page << "/" << c.slider;
        EXPECT_EQ(textOf(s.maxLabel), c.maximum) << c.page << "/" << c.slider;
        EXPECT_EQ(textOf(s.valueText), c.value) << c.page << "/" << c.slider;
        EXPECT_EQ(s.valueText->colour(), 0xFFFFFFFFu);
        EXPECT_EQ(s.valueText->alignment(), 1);
        EXPECT_EQ(s.valueText->fontSize(), 8);
        EXPECT_EQ(s.minLabel->colour(), 0xFFFFFFFFu);
        EXPECT_EQ(knobX(c.slider), c.knob) << c.page << "/" << c.slider;
        EXPECT_EQ(s.knob->position().y, c.slider == 0 ? 421 : 515);
        EXPECT_TRUE(s.knob->draggable());
        EXPECT_EQ(s.knob->opacity(), 1.0f);
        EXPECT_EQ(working[row++](), c.working) << c.page << "/" << c.slider;
    }
}

TEST_F(SliderPanelTest, ADisabledSliderShowsNothingButADimmedKnobAtTheLeft) {
    struct Case {
        int page, slider;
        std::function<void()> disable;
        const char* text;
    } const cases[] = {
        {0, 0, [] { tuning.gpuOffsetMin = 0; }, "+0 MHz"},
        {0, 1, [] { tuning.memOffsetMin = 0; }, "+0 MHz"},
        {1, 0, [] { tuning.powerTargetMax = 0; }, "0 ％"},
        {1, 0, [] { tuning.powerTargetMin = 0; }, "0 ％"},
        {1, 1, [] { tuning.tempTargetMin = 0; }, "0 ℃"},
        {2, 0, [] { tuning.fpsTarget = ValueUnavailable; }, "MAXFPS"},
        {3, 0,
         [] {
             inventory.slots[0].fan1Max = 0;
             inventory.slots[0].fanMax = 0;
         },
         "AUTO"},
        {3, 1, [] { inventory.slots[0].fan2Max = 0; }, "AUTO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        open();
        tuning.fanSpeed2ToKeep = 60;
        showPage(c.page);
        ASSERT_NE(knobX(c.slider), 228);
        c.disable();
        refreshSliders();
        refreshSliders();  // the fill bars follow the knob of the refresh before
        const SliderWidgets& s = slider(c.slider);
        EXPECT_EQ(valueText(c.slider), c.text);
        EXPECT_EQ(s.valueText->colour(), 0x00FFFFFFu);
        EXPECT_EQ(textOf(s.minLabel), "0");
        EXPECT_EQ(textOf(s.maxLabel), "0");
        EXPECT_EQ(s.minLabel->colour(), 0x00FFFFFFu);
        EXPECT_EQ(s.maxLabel->colour(), 0x00FFFFFFu);
        EXPECT_EQ(knobX(c.slider), 228);
        EXPECT_EQ(s.knob->opacity(), 0.5f);
        EXPECT_FALSE(s.knob->draggable());
        EXPECT_EQ(s.fillBar->colour(), 0x000099FFu);
        EXPECT_EQ(s.fillBar->line(), (Rect{230, 430 + 94 * c.slider, 236, 430 + 94 * c.slider}));
        if (c.slider == 0) {
            EXPECT_FALSE(widgets.overclockWarning->visible());
        }
    }
}

TEST_F(SliderPanelTest, OverclockingWarnsAndWarmsTheBarWhileUnderclockingDoesNot) {
    struct Case {
        std::string card;
        float offsetKHz;
        const char* text;
        bool warning;
        std::uint32_t bar;
    } const cases[] = {
        // Knob 418 lies 17 of the 68 pixels from zero (401) to the right end: heat 63.75.
        {"current", 50000, "+50 MHz", true, 0xFF3081CCu},   {"current", 200000, "+200 MHz", true, 0xFFC13932u},
        {"current", -20000, "-20 MHz", false, 0xFF0099FFu}, {"current", 0, "+0 MHz", false, 0xFF0099FFu},
        {"unlisted", 50000, "50 MHz", false, 0xFF0099FFu},  // no offset flags: plain blue, no sign
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        open({c.card});
        tuning.gpuOffset = c.offsetKHz;
        refreshSliders();
        refreshSliders();
        EXPECT_EQ(valueText(0), c.text);
        EXPECT_EQ(widgets.overclockWarning->visible(), c.warning);
        EXPECT_EQ(slider(0).fillBar->colour(), c.bar);
        EXPECT_EQ(slider(0).fillBar->line().right, knobX(0) + 8);
        EXPECT_EQ(slider(0).fillBar->penWidth(), 12.0f);
        EXPECT_EQ(slider(0).trackLine->line(), (Rect{230, 430, 490, 430}));
    }
}

TEST_F(SliderPanelTest, WarningBelongsToTheClockPageOnly) {
    open();
    refreshSliders();
    ASSERT_TRUE(widgets.overclockWarning->visible());
    showPage(1);
    refreshSliders();
    EXPECT_FALSE(widgets.overclockWarning->visible());
    EXPECT_EQ(slider(0).fillBar->colour(), 0xFF0099FFu);
}

TEST_F(SliderPanelTest, HeldRightArrowStepsEverySecondRefreshPast21RepeatsUpToTheMaximum) {
    open();
    tuning.powerTarget = 110000;
    showPage(1);
    ASSERT_EQ(panel.powerTargetEdit, 110);
    key(VkRight);  // the press steps once
    EXPECT_EQ(panel.powerTargetEdit, 111);
    tick(5);  // held, but fewer than 21 repeats
    EXPECT_EQ(panel.powerTargetEdit, 111);
    for (int repeat = 3; repeat < 21; ++repeat) key(VkRight);
    EXPECT_EQ(shell.input.rightKeyRepeat, 20);
    EXPECT_EQ(panel.powerTargetEdit, 111);
    key(VkRight);
    EXPECT_EQ(shell.input.rightKeyRepeat, 21);
    EXPECT_EQ(panel.powerTargetEdit, 112);
    const float expected[] = {112, 113, 113, 114, 114, 115, 115, 115, 115};
    for (float value : expected) {
        tick();
        EXPECT_EQ(panel.powerTargetEdit, value);
    }
    EXPECT_EQ(valueText(0), "115 ％");
    EXPECT_EQ(knobX(0), 469);
    send(WmKeyUp, VkRight);
    tick(3);
    EXPECT_EQ(panel.powerTargetEdit, 115);
}

TEST_F(SliderPanelTest, LeftArrowStopsAtTheMinimum) {
    open();
    tuning.powerTarget = 51000;
    showPage(1);
    const float expected[] = {50, 50, 50};
    for (float value : expected) {
        key(VkLeft);
        send(WmKeyUp, VkLeft);
        tick();
        EXPECT_EQ(panel.powerTargetEdit, value);
    }
    EXPECT_EQ(knobX(0), 228);
}

TEST_F(SliderPanelTest, StepsUpFromAutomaticStartAtTheSlidersOwnFloor) {
    struct Case {
        int page;
        std::function<void()> automatic;
        std::function<double()> working;
        WParam key;
        double after;
        const char* text;
    } const cases[] = {
        {2, [] { tuning.fpsTarget = ValueAutomatic; }, [] { return panel.fpsTargetEdit; }, VkRight, 16, "16 FPS"},
        {2, [] { tuning.fpsTarget = ValueAutomatic; }, [] { return panel.fpsTargetEdit; }, VkLeft, -100, "MAXFPS"},
        {3, [] { tuning.fanSpeed1ToKeep = ValueAutomatic; }, [] { return double(panel.fanSpeedEdit); }, VkRight, 31,
         "31 ％"},
        {3, [] { tuning.fanSpeed1ToKeep = ValueAutomatic; }, [] { return double(panel.fanSpeedEdit); }, VkLeft, -100,
         "AUTO"},
        {3, [] { tuning.fanSpeed1ToKeep = -99; }, [] { return double(panel.fanSpeedEdit); }, VkRight, -98, "AUTO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        open();
        c.automatic();
        showPage(c.page);
        key(c.key);
        EXPECT_EQ(c.working(), c.after);
        EXPECT_EQ(valueText(0), c.text);
    }
}

TEST_F(SliderPanelTest, DraggedKnobSetsTheValueAndTheKeysThenDriveThatSlider) {
    open();
    pressOn(*slider(0).knob);
    tick();
    moveTo(300, 430);
    tick();
    EXPECT_EQ(panel.sliderDragging[0], 1);
    EXPECT_EQ(knobX(0), 292);
    EXPECT_EQ(panel.gpuOffsetEdit, -321);  // knob 292 of -510..200
    EXPECT_EQ(valueText(0), "-321 MHz");
    releaseButton();
    tick();
    EXPECT_EQ(panel.sliderDragging[0], 0);
    moveTo(600, 300);
    tick();
    EXPECT_EQ(knobX(0), 292);  // released: the knob stays
    for (int press = 0; press < 3; ++press) {
        key(VkRight);
        send(WmKeyUp, VkRight);
        tick();
    }
    EXPECT_EQ(panel.gpuOffsetEdit, -318);
    EXPECT_EQ(valueText(0), "-318 MHz");
    EXPECT_EQ(knobX(0), 293);

    // The lower knob dragged: the keys move to it.
    pressOn(*slider(1).knob);
    tick();
    releaseButton();
    tick();
    EXPECT_EQ(activeSlider(), 1);
    const float memory = panel.memOffsetEdit;
    key(VkRight);
    EXPECT_EQ(panel.memOffsetEdit, memory + 1);
    EXPECT_EQ(panel.gpuOffsetEdit, -318);
}

TEST_F(SliderPanelTest, AOneSliderPageTakesTheKeysWhicheverKnobWasDraggedLast) {
    open();
    pressOn(*slider(1).knob);
    tick();
    releaseButton();
    tick();
    ASSERT_EQ(activeSlider(), 1);
    showPage(2);
    key(VkRight);
    EXPECT_EQ(panel.fpsTargetEdit, 61);
}

TEST_F(SliderPanelTest, WorkingValuesFollowTheStoredOnesOnlyWhenSomethingChanged) {
    open();
    showPage(1);
    key(VkRight);
    send(WmKeyUp, VkRight);
    tick();
    ASSERT_EQ(panel.powerTargetEdit, 101);
    tuning.powerTarget = 100000;  // the monitoring thread writes the same value again
    tick();
    EXPECT_EQ(panel.powerTargetEdit, 101);
    tuning.powerTarget = 105600;  // a new value arrives: taken over, truncated
    tick();
    EXPECT_EQ(panel.powerTargetEdit, 105);
    EXPECT_EQ(valueText(0), "105 ％");
    key(VkRight);
    send(WmKeyUp, VkRight);
    tick();
    ASSERT_EQ(panel.powerTargetEdit, 106);
    panel.forceRefresh = 1;  // a profile load, a reset, another GPU
    tick();
    EXPECT_EQ(panel.powerTargetEdit, 105);
    EXPECT_EQ(panel.forceRefresh, 0);
    key(VkRight);
    send(WmKeyUp, VkRight);
    showPage(2);
    showPage(1);  // back on the page: the stored value again
    EXPECT_EQ(panel.powerTargetEdit, 105);
}

TEST_F(SliderPanelTest, AnotherGpuShownTakesItsValuesOver) {
    open({"current", "cooler"});
    showPage(3);
    ASSERT_EQ(panel.fanSpeedEdit, 55);
    inventory.slots[1].fanMin = 20;
    inventory.slots[1].fanMax = 90;
    tuning.fanSpeedToKeep = 40;
    tuning.selectedGpu = 1;
    refreshSliders();
    EXPECT_EQ(panel.fanSpeedEdit, 40);  // the single-cooler value of the other GPU
    EXPECT_EQ(textOf(slider(0).minLabel), "20");
    EXPECT_EQ(textOf(slider(0).maxLabel), "90");
}

TEST_F(SliderPanelTest, EveryRefreshEndsAResetsPause) {
    openWindow();
    ASSERT_EQ(panel.advancedMode, 0);
    resetGpusToDefaults();
    ASSERT_TRUE(resetPending());
    panel.forceRefresh = 1;
    tick();
    EXPECT_FALSE(resetPending());
    EXPECT_EQ(panel.forceRefresh, 0);
}

TEST_F(SliderPanelTest, SecondSliderBarsFollowTheirKnob) {
    open();
    clickTab(3);
    widgets.slider[1].knob->setVisible(false);
    refreshSliders();
    EXPECT_FALSE(slider(1).fillBar->visible());
    EXPECT_FALSE(slider(1).trackLine->visible());
    widgets.slider[1].knob->setVisible(true);
    refreshSliders();
    EXPECT_TRUE(slider(1).fillBar->visible());
    EXPECT_TRUE(slider(1).trackLine->visible());
    EXPECT_EQ(slider(1).fillBar->line(), (Rect{230, 524, 236, 524}));  // fan 2 automatic: the knob at the left
    EXPECT_EQ(slider(1).fillBar->colour(), 0xFF0099FFu);
}

}  // namespace
}  // namespace vt
