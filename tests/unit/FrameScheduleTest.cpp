#include "app/shell/FrameSchedule.h"

#include "app/PanelEdit.h"
#include "app/PointerMoment.h"
#include "app/ShellState.h"
#include "app/shell/Tray.h"
#include "app/panels/MonitorPanel.h"
#include "gpu/Monitor.h"
#include "platform/Messages.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

TEST(FramePace, EachNeedAlone) {
    FrameNeeds quiet;
    quiet.quietTicks = SettleTicks;
    struct Case {
        const char* name;
        void (*set)(FrameNeeds&);
        FramePace pace;
    } const cases[] = {
        {"nothing, pointer away", [](FrameNeeds&) {}, FramePace::Stopped},
        {"start-up", [](FrameNeeds& n) { n.starting = true; }, FramePace::Running},
        {"input", [](FrameNeeds& n) { n.inputActive = true; }, FramePace::Running},
        {"drag", [](FrameNeeds& n) { n.dragging = true; }, FramePace::Running},
        {"fade", [](FrameNeeds& n) { n.fading = true; }, FramePace::Running},
        {"apply", [](FrameNeeds& n) { n.applyPending = true; }, FramePace::Running},
        {"pointer moved", [](FrameNeeds& n) { n.pointerMoved = true; }, FramePace::Running},
        {"pointer still settling", [](FrameNeeds& n) { n.quietTicks = SettleTicks - 1; }, FramePace::Running},
        {"pointer resting inside", [](FrameNeeds& n) { n.pointerInside = true; }, FramePace::Watching},
        {"help on its way", [](FrameNeeds& n) { n.pointerInside = n.hoverCounting = true; }, FramePace::Running},
        // A count left over from a widget the pointer is no longer over does not keep the window awake.
        {"help counting, pointer away", [](FrameNeeds& n) { n.hoverCounting = true; }, FramePace::Stopped},
        {"fade, pointer resting inside", [](FrameNeeds& n) { n.fading = n.pointerInside = true; }, FramePace::Running},
    };
    for (const Case& c : cases) {
        FrameNeeds needs = quiet;
        c.set(needs);
        EXPECT_EQ(framePace(needs), c.pace) << c.name;
    }
}

// The main window with its whole tree on the fake platform, the pointer
// moved and the timers ticked as the system would.
class FrameScheduleTest : public test::PanelTest {
protected:
    static constexpr Point Outside{-40, 300};
    static constexpr Point Background{5, 640};

    std::uint32_t framePeriod() const { return fake.timerPeriod(window, TIMER_FRAME); }
    bool refreshRuns() const { return fake.timerPeriod(window, TIMER_REFRESH) == 1000; }

    // Ticks while the frame timer runs, at most `limit` times; returns how many.
    int ticksUntilStopped(int limit = 200) {
        int ticks = 0;
        while (framePeriod() != 0 && ticks < limit) {
            tick();
            ++ticks;
        }
        return ticks;
    }
    // The window as it is left when the pointer has gone and everything has settled.
    void settleOutside() {
        pointAt(Outside);
        tick();
        ASSERT_LE(ticksUntilStopped(), SettleTicks + 1);
        ASSERT_EQ(framePeriod(), 0u);
    }
    void openOnOneCard() {
        openWindow({"current"});
        send(WmCreate);  // the timers as the window's creation starts them
        fake.clearCalls();
    }
};

TEST_F(FrameScheduleTest, PointerAwayAndNothingMovingStopsTheFrameTimerButNotTheRefresh) {
    openOnOneCard();
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    pointAt(Outside);
    // The ticks that see the pointer leave still run, so that the hover marks clear.
    for (int t = 0; t < SettleTicks; ++t) {
        tick();
        EXPECT_EQ(framePeriod(), FramePeriodMs) << t;
    }
    tick();
    EXPECT_EQ(framePeriod(), 0u);
    EXPECT_EQ(fake.count("killTimer 101"), 1);
    EXPECT_TRUE(refreshRuns());
    // The once-a-second refresh does not wake it: nothing moved.
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(framePeriod(), 0u);
    EXPECT_EQ(fake.count("setTimer 101"), 0);
}

// Under Wine each look at the pointer costs several server round trips; a
// refresh tick's passes (panel, refresh, pointer, schedule) share one look,
// and a paint looks at nothing.
TEST_F(FrameScheduleTest, AMessageLooksAtThePointerOnceAndAPaintNotAtAll) {
    openOnOneCard();
    settleOutside();
    fake.cursorReads = 0;
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(fake.cursorReads, 1);
    send(WmPaint);
    EXPECT_EQ(fake.cursorReads, 1);
    // A paint a message asks for at once stays within that message's moment.
    {
        const PointerMoment tick;
        cursorInClient();
        send(WmPaint);
        cursorInClient();
    }
    EXPECT_EQ(fake.cursorReads, 2);
    // The next message looks afresh and sees the pointer come in.
    moveTo(300, 300);
    EXPECT_EQ(fake.cursorReads, 3);
    EXPECT_EQ(framePeriod(), FramePeriodMs);
}

TEST_F(FrameScheduleTest, WhatBringsTheFrameTimerBack) {
    enum Act { PointerEnters, ButtonPressed, ArrowKeyDown, TrayLeftClick, SecondCopy };
    struct Case {
        const char* name;
        Act act;
    } const cases[] = {
        {"the pointer enters", PointerEnters},
        {"a button pressed", ButtonPressed},
        {"an arrow key held", ArrowKeyDown},
        {"the tray's left click shows the window", TrayLeftClick},
        {"a second copy hands over", SecondCopy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openOnOneCard();
        settleOutside();
        switch (c.act) {
            case PointerEnters: moveTo(300, 300); break;
            case ButtonPressed: send(WmLButtonDown); break;
            case ArrowKeyDown: send(WmKeyDown, VkRight); break;
            case TrayLeftClick: send(WM_TRAY_NOTIFY, TRAY_ICON_ID, WmLButtonDown); break;
            case SecondCopy: send(WM_SHOW_INSTANCE); break;
        }
        EXPECT_EQ(framePeriod(), FramePeriodMs);
        endTree();
    }
}

TEST_F(FrameScheduleTest, HeldArrowKeyKeepsItRunningUntilReleasedAndAged) {
    openOnOneCard();
    settleOutside();
    send(WmKeyDown, VkLeft);
    // The key's own repeats come a few ticks apart; in between the ticks go on.
    for (int repeat = 0; repeat < 25; ++repeat) {
        tick(3);
        EXPECT_EQ(framePeriod(), FramePeriodMs) << repeat;
        send(WmKeyDown, VkLeft);
    }
    EXPECT_GT(shell.input.leftKeyRepeat, 20);  // the stepper repeats from here on, on every pass
    send(WmKeyUp, VkLeft);
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    tick();  // released -> idle
    EXPECT_EQ(shell.input.leftKey, BUTTON_IDLE);
    EXPECT_EQ(framePeriod(), 0u);
}

TEST_F(FrameScheduleTest, AHoverStartedBeforeThePointerStoppedStillReachesItsHelp) {
    openOnOneCard();
    refreshMonitor();
    View* label = widgets.monitorLabel[RowGpuClock];
    View* help = widgets.monitorHelp[HelpGpuClock];
    const Point on = centreOf(*label);
    moveTo(on.x - 3, on.y);
    moveTo(on.x, on.y);  // the pointer stops here; only ticks follow
    int ticks = 0;
    while (!help->visible() && framePeriod() == FramePeriodMs && ticks < 100) {
        tick();
        ++ticks;
    }
    EXPECT_TRUE(help->visible());
    EXPECT_EQ(ticks, HoverDelayTicks - 2);  // the two moves were passes too
    // Shown: nothing left to count. The timer stops; the system is to say when the pointer goes.
    for (int t = 0; t < SettleTicks; ++t) tick();
    EXPECT_EQ(shell.framePace, FramePace::Watching);
    EXPECT_EQ(framePeriod(), 0u);
    EXPECT_EQ(fake.count("trackPointerLeave"), 1);
    EXPECT_TRUE(help->visible());
    // A move on the label runs the passes again (the help stays), then rests once more.
    moveTo(on.x + 1, on.y);
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    EXPECT_TRUE(help->visible());
    tick(SettleTicks);
    EXPECT_EQ(framePeriod(), 0u);
    EXPECT_EQ(fake.count("trackPointerLeave"), 2);
    // The once-a-second refresh does not wake it: the pointer has not moved.
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(framePeriod(), 0u);

    // The pointer leaves with no move message; the system's leave notice hides the help and wakes it up.
    pointAt(Outside);
    send(WmMouseLeave);
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    tick();
    EXPECT_FALSE(help->visible());
    EXPECT_LE(ticksUntilStopped(), SettleTicks);
    EXPECT_EQ(shell.framePace, FramePace::Stopped);
    EXPECT_EQ(fake.count("trackPointerLeave"), 2);
}

TEST_F(FrameScheduleTest, AFadeInProgressKeepsItRunningUntilTheFadeEnds) {
    openOnOneCard();
    clickOn(*widgets.presetButton[PresetEco]);
    pointAt(Outside);
    // The pointer is gone at once, but the fade the press started runs to its end.
    ticksUntilStopped();
    EXPECT_EQ(widgets.largeOverlay[PresetEco]->opacity(), 1.0f);

    // A preset chosen from the tray with the pointer away: the fade runs to its end, one level per tick.
    panel.easyChoice = PresetHighPerformance;
    send(WmSetCursor);  // any message lets the window look again
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    int ticks = 0;
    while (framePeriod() == FramePeriodMs && ticks < 100) {
        EXPECT_LT(widgets.largeOverlay[PresetHighPerformance]->opacity(), 1.0f) << ticks;
        tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 10);
    EXPECT_EQ(widgets.largeOverlay[PresetHighPerformance]->opacity(), 1.0f);
    EXPECT_EQ(widgets.largeOverlay[PresetEco]->opacity(), 0.0f);
    EXPECT_EQ(framePeriod(), 0u);
}

TEST_F(FrameScheduleTest, HiddenToTheTrayBothTimersStopAndATrayPresetWakesThemUntilApplied) {
    openOnOneCard();
    clickOn(*widgets.minimiseButton);
    EXPECT_EQ(lifecycle.hiddenToTray, 1);
    // The pointer has not moved, but the window it rests on is gone.
    EXPECT_LE(ticksUntilStopped(), SettleTicks + 1);
    EXPECT_EQ(framePeriod(), 0u);
    EXPECT_FALSE(refreshRuns());  // nothing it would refresh is seen; the window is silent

    fake.menuChoice = IDM_TRAY_ECO;
    send(WM_TRAY_NOTIFY, TRAY_ICON_ID, WmRButtonDown);
    EXPECT_EQ(lifecycle.hiddenToTray, 0);
    EXPECT_EQ(shell.presetApplyRequest, 1);
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    EXPECT_TRUE(refreshRuns());
    tick();
    EXPECT_EQ(shell.presetApplyRequest, 0);  // the apply step took it on its next pass
    EXPECT_EQ(tuning.easySettings, PresetEco);
    EXPECT_EQ(framePeriod(), FramePeriodMs);  // through the apply's hold-off
}

TEST_F(FrameScheduleTest, ADragKeepsItRunningWithThePointerStill) {
    openOnOneCard();
    enterAdvancedModeByClick();
    View* knob = widgets.slider[0].knob;
    pressOn(*knob);
    tick(SettleTicks + 5);
    EXPECT_TRUE(panel.anyDrag());
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    releaseButton();
    tick(2);
    EXPECT_FALSE(panel.anyDrag());
}

TEST_F(FrameScheduleTest, NothingChangesOnceEndedAndTheTimerStops) {
    openOnOneCard();
    moveTo(300, 300);
    EXPECT_EQ(framePeriod(), FramePeriodMs);
    lifecycle.running = 0;
    send(WmSetCursor);
    EXPECT_EQ(framePeriod(), 0u);
}

}  // namespace
}  // namespace vt
