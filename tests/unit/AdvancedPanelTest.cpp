#include <functional>
#include <string>
#include <vector>

#include "app/panels/ModeSwitch.h"
#include "app/panels/PageTabs.h"
#include "app/PanelEdit.h"
#include "app/panels/PanelPass.h"
#include "app/ShellState.h"
#include "gpu/Apply.h"
#include "platform/Messages.h"
#include "settings/DialogProcedure.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

std::u16string textOf(const View* view) { return view->text(); }

// The mode switch, the tab bar and its pages, and the apply and reset
// buttons per page, on the whole widget tree.
class AdvancedPanelTest : public test::PanelTest {
protected:
    std::vector<View*> easyWidgets() const {
        std::vector<View*> views{widgets.easyHeading, widgets.easySubheading, widgets.easyFrame, widgets.easyCard};
        for (int p = 0; p < PresetCount; ++p) {
            views.insert(views.end(), {widgets.presetButton[p], widgets.largeOverlay[p], widgets.smallOverlay[p]});
        }
        return views;
    }
    std::vector<View*> advancedWidgets() const {
        std::vector<View*> views{widgets.advancedHeading, widgets.advancedSubheading, widgets.advancedFrame};
        views.insert(views.end(), std::begin(widgets.tab), std::end(widgets.tab));
        return views;
    }
    std::vector<View*> sliderGroup(int s) const {
        const SliderWidgets& w = widgets.slider[s];
        return {w.track, w.trackEnd, w.trackLine, w.fillBar, w.knob, w.minLabel, w.maxLabel, w.valueText};
    }
    std::vector<View*> curveWidgets() const {
        std::vector<View*> views{widgets.curveChart};
        views.insert(views.end(), std::begin(widgets.chartLabel), std::end(widgets.chartLabel));
        views.insert(views.end(), std::begin(widgets.curveSegment), std::end(widgets.curveSegment));
        views.insert(views.end(), std::begin(widgets.curvePoint), std::end(widgets.curvePoint));
        views.insert(views.end(), std::begin(widgets.curveLabel), std::end(widgets.curveLabel));
        return views;
    }
    static void expectShown(const std::vector<View*>& views, bool shown, const std::string& what) {
        for (std::size_t i = 0; i < views.size(); ++i) EXPECT_EQ(views[i]->visible(), shown) << what << " " << i;
    }
    static bool enabled(const View* button) { return button->opacity() == 1.0f && !button->hitThrough(); }
    static bool dimmed(const View* button) { return button->opacity() == 0.5f && button->hitThrough(); }
    void clickAdvancedModeButton(int answer) {
        fake.dialogButtons[IDD_ADVANCED_WARNING].push_back(answer);
        clickOn(*widgets.advancedModeButton);
    }
};

TEST_F(AdvancedPanelTest, AdvancedModeIsEnteredOnlyWhenTheWarningIsAgreedTo) {
    struct Case {
        int answer;
        bool advanced;
    } const cases[] = {{1004, true}, {1005, false}, {2, false}};  // 2: closed without a button
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        openWindow();
        fake.clearCalls();
        clickAdvancedModeButton(c.answer);
        EXPECT_EQ(fake.count("dialogBox 131"), 1);
        EXPECT_FALSE(lifecycle.modal.anyOpen());
        EXPECT_EQ(panel.advancedMode, c.advanced ? 1 : 0);
        expectShown(advancedWidgets(), c.advanced, "advanced");
        expectShown(easyWidgets(), !c.advanced, "easy");
        expectShown(sliderGroup(0), c.advanced, "slider 1");
        expectShown(sliderGroup(1), c.advanced, "slider 2");
        EXPECT_EQ(widgets.advancedModeButton->imageState(), c.advanced ? 1 : 0);
        EXPECT_EQ(widgets.easyModeButton->imageState(), c.advanced ? 0 : 1);
        // The press the dialog swallowed leaves nothing pressed behind.
        EXPECT_EQ(shell.capturedView, nullptr);
        EXPECT_FALSE(widgets.advancedModeButton->pressed());
        tick(5);
        EXPECT_EQ(fake.count("dialogBox 131"), 1);
    }
}

TEST_F(AdvancedPanelTest, EnteringAdvancedModeShowsTheClockPageWithBothButtonsEnabled) {
    openWindow();
    lifecycle.activePage = 3;
    widgets.applyButton->setOpacity(0.5f);
    widgets.applyButton->setHitThrough(true);
    tuning.easySettings = PresetCustom;
    panel.easyChoice = PresetEco;
    clickAdvancedModeButton(1004);
    EXPECT_EQ(lifecycle.activePage, 0);
    EXPECT_TRUE(enabled(widgets.applyButton));
    EXPECT_TRUE(enabled(widgets.resetButton));
    EXPECT_EQ(panel.easyChoice, PresetCustom);
    EXPECT_EQ(panel.shownPreset, PresetCustom);
    EXPECT_EQ(textOf(widgets.sliderTitle[0]), u"GPUクロックオフセット");
    EXPECT_EQ(textOf(widgets.sliderTitle[1]), u"メモリークロックオフセット");
    EXPECT_EQ(widgets.tab[0]->colour(), 0xBEFFFFFFu);
    EXPECT_EQ(widgets.tab[1]->colour(), 0x40FFFFFFu);
    expectShown(curveWidgets(), false, "curve");
}

TEST_F(AdvancedPanelTest, EasyModeButtonBringsThePresetInForceBack) {
    struct Case {
        std::int32_t preset;
        int pressedButton;  // -1: none
    } const cases[] = {{PresetHighPerformance, 0}, {PresetEco, 2}, {PresetCustom, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        openWindow();
        clickAdvancedModeButton(1004);
        clickTab(4);
        tuning.easySettings = c.preset;
        fake.clearCalls();
        clickOn(*widgets.easyModeButton);
        EXPECT_EQ(panel.advancedMode, 0);
        for (int p = 0; p < PresetCount; ++p) {
            EXPECT_EQ(widgets.presetButton[p]->imageState(), p == c.pressedButton ? 1 : 0) << p;
            EXPECT_EQ(widgets.largeOverlay[p]->opacity(), p == c.pressedButton ? 1.0f : 0.0f) << p;
            EXPECT_EQ(widgets.smallOverlay[p]->opacity(), p == c.pressedButton ? 1.0f : 0.0f) << p;
        }
        expectShown(easyWidgets(), true, "easy");
        expectShown(advancedWidgets(), false, "advanced");
        expectShown(sliderGroup(0), false, "slider 1");
        expectShown(curveWidgets(), false, "curve");
        EXPECT_FALSE(widgets.sliderTitle[0]->visible());
        EXPECT_FALSE(widgets.overclockWarning->visible());
        EXPECT_EQ(widgets.easyModeButton->imageState(), 1);
        EXPECT_EQ(widgets.advancedModeButton->imageState(), 0);
        EXPECT_EQ(fake.count("dialogBox"), 0);  // no question on the way back
    }
}

TEST_F(AdvancedPanelTest, EachTabShowsItsPagesWidgetsAndTitles) {
    struct Case {
        std::string card;
        int page;
        bool slider1, slider2, curve;
        std::u16string title1, title2;
        std::int32_t width1, width2;
    } const cases[] = {
        {"current", 1, true, true, false, u"パワーターゲット", u"TEMPターゲット", 90, 86},
        {"current", 2, true, false, false, u"FPSターゲット", u"", 78, 0},
        {"current", 3, true, true, false, u"FAN回転数1", u"FAN回転数2", 64, 64},
        {"current", 4, false, false, true, u"", u"", 0, 0},
        {"current", 0, true, true, false, u"GPUクロックオフセット", u"メモリークロックオフセット", 122, 144},
        {"unlisted", 0, true, true, false, u"GPUクロック", u"メモリークロック", 68, 89},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card + " page " + std::to_string(c.page));
        openWindow({c.card});
        clickAdvancedModeButton(1004);
        if (c.page == 0) clickTab(1);
        clickTab(c.page);
        EXPECT_EQ(lifecycle.activePage, c.page);
        expectShown(sliderGroup(0), c.slider1, "slider 1");
        expectShown(sliderGroup(1), c.slider2, "slider 2");
        expectShown(curveWidgets(), c.curve, "curve");
        EXPECT_EQ(widgets.sliderTitle[0]->visible(), c.slider1);
        EXPECT_EQ(widgets.sliderTitle[1]->visible(), c.slider2);
        if (c.slider1) {
            EXPECT_EQ(textOf(widgets.sliderTitle[0]), c.title1);
            EXPECT_EQ(widgets.sliderTitle[0]->width(), c.width1);
            EXPECT_EQ(widgets.sliderTitle[0]->fontStyle(), 1);
        }
        if (c.slider2) {
            EXPECT_EQ(textOf(widgets.sliderTitle[1]), c.title2);
            EXPECT_EQ(widgets.sliderTitle[1]->width(), c.width2);
        }
        EXPECT_EQ(widgets.tab[c.page]->colour(), 0xBEFFFFFFu);
    }
}

TEST_F(AdvancedPanelTest, ASecondPressOnTheSameTabDoesNotBuildItsPageAgain) {
    openWindow();
    clickAdvancedModeButton(1004);
    clickTab(1);
    ASSERT_EQ(lifecycle.activePage, 1);
    widgets.sliderTitle[0]->setText(u"-", 8, 1, 0, 0xFFFFFFFFu, 90, 10);  // a rebuild would title it again
    clickTab(1);
    EXPECT_EQ(textOf(widgets.sliderTitle[0]), u"-");
    EXPECT_EQ(widgets.tab[1]->colour(), 0xBEFFFFFFu);
    moveTo(600, 300);
    EXPECT_EQ(widgets.tab[1]->colour(), 0xBEFFFFFFu);  // selected
    EXPECT_EQ(widgets.tab[0]->colour(), 0x40FFFFFFu);
    const Point tab2 = centreOf(*widgets.tab[2]);
    moveTo(tab2.x, tab2.y);
    EXPECT_EQ(widgets.tab[2]->colour(), 0xFFFFFFFFu);  // hovered
    EXPECT_EQ(shell.handCursor, 1);
}

TEST_F(AdvancedPanelTest, FanCurvePageStaysOnlyOnceTheNoticeIsAcknowledged) {
    struct Case {
        int answer;
        int page;
        bool editor;
    } const cases[] = {{1030, 4, true}, {2, 3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        openWindow();
        clickAdvancedModeButton(1004);
        clickTab(3);
        fake.clearCalls();
        clickTab(4, c.answer);
        EXPECT_EQ(fake.count("dialogBox 191"), 1);
        EXPECT_EQ(lifecycle.activePage, c.page);
        EXPECT_EQ(panel.curveEditorEnabled, c.editor ? 1 : 0);
        expectShown(curveWidgets(), c.editor, "curve");
        expectShown(sliderGroup(0), !c.editor, "slider 1");
        EXPECT_EQ(widgets.tab[3]->colour(), c.editor ? 0x40FFFFFFu : 0xBEFFFFFFu);
        EXPECT_EQ(shell.capturedView, nullptr);
        EXPECT_FALSE(widgets.tab[4]->pressed());
        tick(3);
        EXPECT_EQ(fake.count("dialogBox 191"), 1);
    }
}

TEST_F(AdvancedPanelTest, FanCurveTabOfACardWithoutACurveIsFaintAndDoesNotReact) {
    openWindow({"cooler"});
    clickAdvancedModeButton(1004);
    tick();
    EXPECT_EQ(widgets.tab[4]->colour(), 0x10FFFFFFu);
    fake.clearCalls();
    clickTab(4);
    EXPECT_EQ(fake.count("dialogBox"), 0);
    EXPECT_EQ(lifecycle.activePage, 0);
    EXPECT_EQ(widgets.tab[4]->colour(), 0x10FFFFFFu);
    fake.dialogButtons.clear();
}

TEST_F(AdvancedPanelTest, ApplyAndResetFollowWhatEachPageAllows) {
    struct Case {
        std::string card;
        int page;
        std::function<void()> setUp;
        bool apply, reset;
    } const cases[] = {
        {"current", 0, [] {}, true, true},
        {"current", 2, [] {}, true, true},
        {"current", 3, [] {}, true, true},
        {"current", 3, [] { inventory.slots[0].fanCurve = 1; }, false, true},
        {"current", 4, [] {}, false, true},
        {"current", 4, [] { panel.fanCurveEdited = 1; }, true, true},
        {"current", 4,
         [] {
             panel.fanCurveEdited = 1;
             panel.curveEditorEnabled = 0;
         },
         false, true},  // after a reset
        {"cooler", 4,
         [] {
             panel.fanCurveEdited = 1;
             panel.curveEditorEnabled = 1;
         },
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card + " page " + std::to_string(c.page));
        openWindow({c.card});
        clickAdvancedModeButton(1004);
        if (c.card == "current") {
            clickTab(c.page);
        } else {
            lifecycle.activePage = c.page;
        }
        c.setUp();
        tick();
        EXPECT_EQ(enabled(widgets.applyButton), c.apply);
        EXPECT_EQ(dimmed(widgets.applyButton), !c.apply);
        EXPECT_EQ(enabled(widgets.resetButton), c.reset);
        EXPECT_EQ(dimmed(widgets.resetButton), !c.reset);
    }
}

TEST_F(AdvancedPanelTest, ADimmedApplyButtonTakesNoClickButATrayPresetStillApplies) {
    openWindow();
    clickAdvancedModeButton(1004);
    clickTab(3);
    inventory.slots[0].fanCurve = 1;
    tick();
    ASSERT_TRUE(dimmed(widgets.applyButton));
    clickOn(*widgets.applyButton);
    EXPECT_FALSE(applySettling());
    EXPECT_EQ(log(), "");
    panel.easyChoice = PresetEco;
    shell.presetApplyRequest = 1;
    tick();
    EXPECT_EQ(shell.presetApplyRequest, 0);
    EXPECT_NE(log().find("EASY_SETTINGS"), std::string::npos);
}

TEST_F(AdvancedPanelTest, AnEditedCurveIsAppliedAndApplyThenWaitsForTheNextEdit) {
    openWindow();
    clickAdvancedModeButton(1004);
    clickTab(4);
    tick();
    ASSERT_TRUE(dimmed(widgets.applyButton));
    const Point grip = {widgets.curvePoint[2]->position().x + 6, widgets.curvePoint[2]->position().y + 6};
    pressAt(grip.x, grip.y);
    tick();
    moveTo(grip.x + 10, grip.y - 20);  // 5 degrees warmer, 10 % faster
    releaseButton();
    tick();
    ASSERT_TRUE(enabled(widgets.applyButton));
    clickOn(*widgets.applyButton);
    // Point 2 at (394, 454): 65 degrees, 60 %; the others where the card's curve put them.
    EXPECT_NE(log().find(test::textFile(": FAN_CURVE = 30,30,270,65,60,900,80,85,2167\n")), std::string::npos) << log();
    EXPECT_EQ(driver().count("SetFanCurve"), 1);
    EXPECT_EQ(panel.fanCurveEdited, 0);
    tick();
    EXPECT_TRUE(dimmed(widgets.applyButton));
}

TEST_F(AdvancedPanelTest, HelpShowsAfterSixtyPassesOverATitleOrAModeButton) {
    openWindow();
    clickAdvancedModeButton(1004);
    clickTab(1);
    struct Case {
        View* widget;
        View* help;
    } const cases[] = {
        {widgets.sliderTitle[0], widgets.pageHelp[1][0]},
        {widgets.sliderTitle[1], widgets.pageHelp[1][1]},
        {widgets.easyModeButton, widgets.easyModeHelp},
    };
    for (const Case& c : cases) {
        const Point at = centreOf(*c.widget);
        moveTo(at.x, at.y);
        tick(58);  // the move was the first pass
        EXPECT_FALSE(c.help->visible());
        tick();
        EXPECT_TRUE(c.help->visible());
        moveTo(600, 300);
        EXPECT_FALSE(c.help->visible());
    }
    EXPECT_FALSE(widgets.pageHelp[0][0]->visible());
}

}  // namespace
}  // namespace vt
