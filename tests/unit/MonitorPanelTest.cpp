#include "app/panels/MonitorPanel.h"

#include <functional>
#include <string>

#include "app/panels/GpuList.h"
#include "app/ShellState.h"
#include "gpu/Monitor.h"
#include "platform/Messages.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

class MonitorPanelTest : public test::PanelTest {
protected:
    static int litSegments(int row) {
        int lit = 0;
        for (View* segment : widgets.meterSegment[row]) lit += (segment->colour() >> 24) == LitSegmentAlpha ? 1 : 0;
        return lit;
    }
    // The lit segments are the first ones, without a gap.
    static bool litFromTheLeft(int row) {
        const int lit = litSegments(row);
        for (int i = 0; i < MeterSegmentCount; ++i) {
            const bool isLit = (widgets.meterSegment[row][i]->colour() >> 24) == LitSegmentAlpha;
            if (isLit != (i < lit)) return false;
        }
        return true;
    }
    static std::u16string shown(int row) { return std::u16string(widgetTexts.monitorValue[row].view()); }
    // Everything the monitoring thread stores for the meters, at once.
    static void sample(float gpuRatio, float memRatio, float temperature, float load, float fan, float fan1,
                       float fan2) {
        monitor.meters.publish({0, gpuRatio, memRatio, temperature, load, fan, fan1, fan2});
    }
};

TEST(MeterSegments, LitBelowTheReadingTimesSixty) {
    struct Case {
        float reading;
        int lit;
    } constexpr cases[] = {
        {0.0f, 0}, {0.5f, 30}, {1.0f, 60}, {0.49f, 30}, {0.48f, 29}, {0.4999f, 30}, {0.001f, 1}, {1.5f, 60}, {-0.2f, 0},
    };
    for (const Case& c : cases) {
        int lit = 0;
        for (int i = 0; i < MeterSegmentCount; ++i) lit += segmentLit(i, c.reading) ? 1 : 0;
        EXPECT_EQ(lit, c.lit) << c.reading;
    }
}

// Whole per cents (temperature, load, fans) land exactly: n % lights the
// segments i with 100 i < 60 n, never one more where 0.6 n is whole.
TEST(MeterSegments, WholePerCentsLightExactlyTheirShare) {
    for (int percent = 0; percent <= 100; ++percent) {
        int lit = 0;
        for (int i = 0; i < MeterSegmentCount; ++i) lit += segmentLit(i, static_cast<float>(percent) / 100.0f) ? 1 : 0;
        EXPECT_EQ(lit, (60 * percent + 99) / 100) << percent;
    }
}

TEST_F(MonitorPanelTest, EachRowLightsFromItsOwnReading) {
    openWindow({"cooler"});
    struct Case {
        const char* what;
        float gpuRatio, memRatio, temperature, load, fan;
        int row, lit;
    } constexpr cases[] = {
        {"clock at half the base", 0.5f, 0, 0, 0, 0, RowGpuClock, 30},
        {"clock at the base", 1.0f, 0, 0, 0, 0, RowGpuClock, 60},
        {"memory clock just under half", 0.2f, 0.4999f, 0, 0, 0, RowMemoryClock, 30},
        {"temperature 49", 0, 0, 49, 0, 0, RowTemperature, 30},
        {"temperature 48", 0, 0, 48, 0, 0, RowTemperature, 29},
        {"temperature not read", 0, 0, 0, 0, 0, RowTemperature, 0},
        {"temperature above 100", 0, 0, 104, 0, 0, RowTemperature, 60},
        {"load 60", 0, 0, 0, 60, 0, RowLoad, 36},
        {"load 100", 0, 0, 0, 100, 0, RowLoad, 60},
        {"fan 35", 0, 0, 0, 0, 35, RowFan, 21},
    };
    for (const Case& c : cases) {
        sample(c.gpuRatio, c.memRatio, c.temperature, c.load, c.fan, 0, 0);
        EXPECT_EQ(refreshMonitor(), 255);
        EXPECT_EQ(litSegments(c.row), c.lit) << c.what;
        EXPECT_TRUE(litFromTheLeft(c.row)) << c.what;
    }
}

TEST_F(MonitorPanelTest, MetersStayDarkUntilTheSelectedGpuIsSampled) {
    openWindow({"cooler"});
    sample(1.0f, 1.0f, 80, 90, 50, 0, 0);
    MeterSample unsampled = monitor.meters.read();
    unsampled.gpu = -1;  // no pass yet
    monitor.meters.publish(unsampled);
    refreshMonitor();
    for (int row : {RowGpuClock, RowMemoryClock, RowTemperature, RowLoad, RowFan}) EXPECT_EQ(litSegments(row), 0);
    sample(1.0f, 1.0f, 80, 90, 50, 0, 0);
    refreshMonitor();
    EXPECT_EQ(litSegments(RowLoad), 54);
}

TEST_F(MonitorPanelTest, SegmentColoursFollowTheEasyPreset) {
    openWindow({"current"});
    sample(0.5f, 0, 0, 0, 0, 50, 0);
    struct Case {
        std::int32_t preset;
        int row, segment;
        std::uint32_t argb;
    } constexpr cases[] = {
        {PresetHighPerformance, RowGpuClock, 0, 0xFFE50606u},
        {PresetHighPerformance, RowFan1, 59, 0x1EE50606u},
        {PresetDefault, RowGpuClock, 29, 0xFF2CA4DEu},
        {PresetDefault, RowGpuClock, 30, 0x1E2CA4DEu},
        {PresetEco, RowFan1, 0, 0xFF8DC21Fu},
        // Custom: a ramp along the row, another one on the fan rows.
        {PresetCustom, RowGpuClock, 0, 0xFFCCFF00u},
        {PresetCustom, RowGpuClock, 59, 0x1EFF1300u},
        {PresetCustom, RowFan1, 0, 0xFFCCFF50u},
        {PresetCustom, RowFan1, 59, 0x1E0013FFu},
        {PresetCustom, RowFan2, 59, 0x1E0013FFu},
        {PresetCustom, RowTemperature, 59, 0x1EFF1300u},
    };
    for (const Case& c : cases) {
        tuning.easySettings = c.preset;
        refreshMonitor();
        const View* segment = widgets.meterSegment[c.row][c.segment];
        EXPECT_EQ(segment->colour(), c.argb) << "preset " << c.preset << " row " << c.row << " segment " << c.segment;
        EXPECT_EQ(segment->penWidth(), 2.0f);
        EXPECT_EQ(segment->line(), (Rect{420 + 3 * c.segment, segment->line().top, 420 + 3 * c.segment,
                                         segment->line().top + 12}));
    }
}

TEST_F(MonitorPanelTest, TextsOfTheSelectedGpu) {
    struct Case {
        const char* card;
        std::function<void(GpuSlot&)> fans;
        std::u16string fan, fan1, fan1Rpm, fan2Rpm;
    };
    const Case cases[] = {
        {"cooler",
         [](GpuSlot& gpu) {
             gpu.fanSpeed = 55;
             gpu.fanRpm = 1800;
         },
         u"55％\n1800rpm\n", u"0％\n", u"0rpm\n", u"0rpm\n"},
        // No rpm byte: the rpm line reads ---rpm and the per-fan rpm texts are empty.
        {"legacy",
         [](GpuSlot& gpu) {
             gpu.fanSpeed = 41;
             gpu.fanRpm = 1200;
         },
         u"41％\n---rpm\n", u"0％\n", u"", u""},
        {"current",
         [](GpuSlot& gpu) {
             gpu.fanSpeed1 = 40;
             gpu.fan1Rpm = 1500;
             gpu.fanSpeed2 = 42;
             gpu.fan2Rpm = 1550;
         },
         u"40％\n1500rpm\n", u"40％\n", u"1500rpm\n", u"1550rpm\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card);
        openWindow({c.card});
        monitor.gpu[0].gpuClock = 1710500;
        monitor.gpu[0].memClock = 9501000;
        monitor.gpu[0].gpuTemperature = 45;
        monitor.gpu[0].gpuLoad = 7;
        c.fans(inventory.slots[0]);
        MonitorTexts texts;
        formatMonitorTexts(0, texts);
        EXPECT_EQ(texts.gpuClock.view(), u"1710.5MHz\n");
        EXPECT_EQ(texts.memClock.view(), u"9501.0MHz\n");
        EXPECT_EQ(texts.temperature.view(), u"45℃\n");
        EXPECT_EQ(texts.load.view(), u"7％\n");
        EXPECT_EQ(texts.fan.view(), c.fan);
        EXPECT_EQ(texts.fan1.view(), c.fan1);
        EXPECT_EQ(texts.fan1Rpm.view(), c.fan1Rpm);
        EXPECT_EQ(texts.fan2Rpm.view(), c.fan2Rpm);
        EXPECT_EQ(std::u16string(texts.name), inventory.slots[0].name);

        refreshMonitor();
        EXPECT_EQ(shown(RowGpuClock), u"1710.5MHz\n");
        EXPECT_EQ(shown(RowLoad), u"7％\n");
        EXPECT_EQ(widgets.monitorValue[RowLoad]->text(), widgetTexts.monitorValue[RowLoad].c_str());
        if (fansDrivenOneByOne(inventory.slots[0])) {
            EXPECT_EQ(shown(RowFan1), c.fan1);
            EXPECT_EQ(std::u16string(widgetTexts.fanRpm[1].view()), c.fan2Rpm);
        } else {
            EXPECT_EQ(shown(RowFan), c.fan);
        }
        endTree();
    }
}

TEST_F(MonitorPanelTest, ZeroReadingsAreDrawnNearlyTransparent) {
    struct Case {
        const char* what;
        std::function<void(GpuReadings&, GpuSlot&)> set;
        int row;
        bool live;
    };
    const Case cases[] = {
        {"clock read", [](GpuReadings& r, GpuSlot&) { r.gpuClock = 300000; }, RowGpuClock, true},
        {"clock not read", [](GpuReadings& r, GpuSlot&) { r.gpuClock = 0; }, RowGpuClock, false},
        {"memory clock not read", [](GpuReadings& r, GpuSlot&) { r.memClock = 0; }, RowMemoryClock, false},
        {"temperature not read", [](GpuReadings& r, GpuSlot&) { r.gpuTemperature = 0; }, RowTemperature, false},
        {"temperature read", [](GpuReadings& r, GpuSlot&) { r.gpuTemperature = 30; }, RowTemperature, true},
        {"idle load", [](GpuReadings& r, GpuSlot&) { r.gpuLoad = 0; }, RowLoad, true},
        {"fan stopped", [](GpuReadings&, GpuSlot& g) { g.fanSpeed1 = 0; g.fan1Rpm = 0; }, RowFan1, false},
        {"fan level only", [](GpuReadings&, GpuSlot& g) { g.fanSpeed1 = 30; g.fan1Rpm = 0; }, RowFan1, true},
        {"fan rpm only", [](GpuReadings&, GpuSlot& g) { g.fanSpeed2 = 0; g.fan2Rpm = 700; }, RowFan2, true},
        {"second fan stopped", [](GpuReadings&, GpuSlot& g) { g.fanSpeed2 = 0; g.fan2Rpm = 0; }, RowFan2, false},
    };
    openWindow({"current"});
    for (const Case& c : cases) {
        c.set(monitor.gpu[0], inventory.slots[0]);
        refreshMonitor();
        const std::uint32_t expected = c.live ? 0xFFFFFFFFu : 0x1EFFFFFFu;
        EXPECT_EQ(widgets.monitorLabel[c.row]->colour(), expected) << c.what;
        EXPECT_EQ(widgets.monitorValue[c.row]->colour(), expected) << c.what;
        if (c.row == RowFan1 || c.row == RowFan2) {
            EXPECT_EQ(widgets.fanRpmText[c.row - RowFan1]->colour(), expected) << c.what;
        }
    }
    // Labels keep their text, size and hit width; values their alignment.
    EXPECT_EQ(std::u16string(widgets.monitorLabel[RowMemoryClock]->text()), u"メモリークロック");
    EXPECT_EQ(widgets.monitorLabel[RowMemoryClock]->width(), 90);
    EXPECT_EQ(widgets.monitorLabel[RowMemoryClock]->alignment(), 0);
    EXPECT_EQ(widgets.monitorValue[RowFan]->alignment(), 2);
    EXPECT_EQ(widgets.monitorValue[RowFan]->width(), 1);
}

TEST_F(MonitorPanelTest, TwoFansSwapForTheSingleRowWithTheSelectedGpu) {
    openWindow({"cooler", "current"});
    auto perFanShown = [] {
        std::vector<bool> shown;
        for (int row : {RowFan, RowFan1, RowFan2}) {
            shown.push_back(widgets.monitorLabel[row]->visible());
            EXPECT_EQ(widgets.monitorValue[row]->visible(), shown.back()) << row;
            EXPECT_EQ(widgets.meterSegment[row][0]->visible(), shown.back()) << row;
            EXPECT_EQ(widgets.meterSegment[row][59]->visible(), shown.back()) << row;
        }
        EXPECT_EQ(widgets.fanRpmText[0]->visible(), shown[1]);
        EXPECT_EQ(widgets.fanRpmText[1]->visible(), shown[2]);
        return shown;
    };
    refreshMonitor();
    EXPECT_EQ(perFanShown(), (std::vector<bool>{true, false, false}));
    tuning.selectedGpu = 1;
    tick();  // the list follows the new selection
    refreshMonitor();
    EXPECT_EQ(perFanShown(), (std::vector<bool>{false, true, true}));
    tuning.selectedGpu = 0;
    tick();
    refreshMonitor();
    EXPECT_EQ(perFanShown(), (std::vector<bool>{true, false, false}));
}

TEST_F(MonitorPanelTest, RefreshTimerFormatsAndRepaints) {
    openWindow({"cooler"});
    monitor.gpu[0].gpuTemperature = 61;
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(shown(RowTemperature), u"61℃\n");
    EXPECT_GE(repaints(), 1);
}

// In the tray the refresh does nothing at all: no driver call, no repaint.
TEST_F(MonitorPanelTest, RefreshTimerRestsInTheTrayAndResumesWhenShown) {
    openWindow({"cooler"});
    send(WmCreate);  // the timers as the window's creation starts them
    monitor.gpu[0].gpuTemperature = 61;
    send(WmTimer, TIMER_REFRESH);
    ASSERT_EQ(fake.timerPeriod(window, TIMER_REFRESH), 1000u);
    lifecycle.hiddenToTray = 1;
    monitor.gpu[0].gpuTemperature = 62;
    driver().clearCalls();
    const int before = repaints();
    send(WmSetCursor);  // whatever message comes next stops the timer
    EXPECT_EQ(fake.timerPeriod(window, TIMER_REFRESH), 0u);
    // A tick already on its way does nothing.
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(driver().calls().size(), 0u);
    EXPECT_EQ(repaints(), before);
    EXPECT_EQ(shown(RowTemperature), u"61℃\n");
    lifecycle.hiddenToTray = 0;
    send(WmSetCursor);
    EXPECT_EQ(fake.timerPeriod(window, TIMER_REFRESH), 1000u);
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(shown(RowTemperature), u"62℃\n");
    EXPECT_GT(repaints(), before);
}

// The readouts show the monitoring thread's first sample as soon as both it and
// the window are there, not at the refresh timer's first tick a second on.
TEST_F(MonitorPanelTest, TheFirstSampleIsShownWithoutWaitingForTheRefreshTimer) {
    for (const bool sampleFirst : {true, false}) {
        SCOPED_TRACE(sampleFirst ? "sampled before the first frame tick" : "sampled after it");
        openWindow({"cooler"});
        resetMonitorSample();
        shell.startPhase = 1;  // as after the window's creation, before its first frame tick
        monitor.gpu[0].gpuTemperature = 0;
        fake.clearCalls();
        if (!sampleFirst) {
            tick();
            EXPECT_NE(shown(RowTemperature), u"61℃\n");  // nothing sampled yet
        }
        monitoringPass();
        monitor.gpu[0].gpuTemperature = 61;  // what the pass read, made exact
        EXPECT_EQ(fake.count("postMessage 800c"), 1);
        const int before = repaints();
        if (sampleFirst) {
            send(WM_FIRST_SAMPLE);  // too early: nothing is shown yet
            EXPECT_EQ(repaints(), before);
            tick();
        } else {
            send(WM_FIRST_SAMPLE);
        }
        EXPECT_EQ(shown(RowTemperature), u"61℃\n");
        EXPECT_GT(repaints(), before);
        // Later passes post nothing more.
        monitoringPass();
        EXPECT_EQ(fake.count("postMessage 800c"), 1);
        endTree();
    }
}

// --- hover help -------------------------------------------------------------

TEST_F(MonitorPanelTest, HelpShowsAfterSixtyPassesOnTheLabelAndHidesAtOnce) {
    struct Case {
        const char* card;
        int row;
        int help;
    } constexpr cases[] = {
        {"cooler", RowGpuClock, HelpGpuClock}, {"cooler", RowMemoryClock, HelpMemoryClock},
        {"cooler", RowTemperature, HelpTemperature}, {"cooler", RowLoad, HelpLoad},
        {"cooler", RowFan, HelpFan},
        // The fan 1 label shares the fan's image, though the fan label is hidden then.
        {"current", RowFan1, HelpFan}, {"current", RowFan2, HelpFan2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        openWindow({c.card});
        refreshMonitor();
        View* help = widgets.monitorHelp[c.help];
        pointAtCentreOf(*widgets.monitorLabel[c.row]);
        send(WmMouseMove);  // the first pass
        tick(58);
        EXPECT_FALSE(help->visible());
        const int before = repaints();
        tick();
        EXPECT_TRUE(help->visible());
        EXPECT_GT(repaints(), before);
        const int shownAt = repaints();
        tick(30);
        EXPECT_TRUE(help->visible());  // and it stays, with nothing to repaint while the pointer rests
        EXPECT_EQ(repaints(), shownAt);
        EXPECT_EQ(widgets.monitorLabel[c.row]->hoverTicks(), 60);
        pointAt({5, 640});
        tick();
        EXPECT_FALSE(help->visible());
        EXPECT_EQ(widgets.monitorLabel[c.row]->hoverTicks(), 0);
        endTree();
    }
}

}  // namespace
}  // namespace vt
