// The main window's widget tree: every view, where it sits, how it starts.
//
// The whole tree is built once at start-up, right after the root, in one
// fixed order. That order is the views' serials and so decides which of two
// overlapping views takes a click and which one paints on top. Every view is a
// direct child of the root, so positions are window pixels. The panels that
// bring the widgets to life find them here by name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>

#include "state/AdvancedPage.h"
#include "state/GpuInventory.h"
#include "ui/TextBuffer.h"
#include "ui/View.h"

namespace vt {

inline constexpr int PresetCount = 3;  // highperformance, default, eco
inline constexpr int TabCount = 5;
inline constexpr int SliderCount = 2;
inline constexpr int MeterSegmentCount = 60;
inline constexpr int CurvePointCount = 5;
inline constexpr int CurveSegmentCount = 4;
inline constexpr int MonitorTextCapacity = 40;
inline constexpr int SliderTextCapacity = 10;
inline constexpr int CurveLabelCapacity = 100;

// The rows of the monitor panel. Fan is the single-fan row; Fan1 and Fan2
// replace it when the fans are driven one by one.
enum MonitorRow : int { RowGpuClock, RowMemoryClock, RowTemperature, RowLoad, RowFan, RowFan1, RowFan2, MonitorRowCount };

// The monitor help images: one per reading, fan 1 sharing the fan's.
enum MonitorHelp : int { HelpGpuClock, HelpMemoryClock, HelpTemperature, HelpLoad, HelpFan, HelpFan2, MonitorHelpCount };

struct SliderWidgets {
    View* track = nullptr;
    View* trackEnd = nullptr;
    View* trackLine = nullptr;
    View* fillBar = nullptr;
    View* knob = nullptr;
    View* minLabel = nullptr;
    View* maxLabel = nullptr;
    View* valueText = nullptr;
};

// The texts that change while the program runs. Views point into these
// buffers, so the record never moves.
struct WidgetTexts {
    WidgetTexts() = default;
    WidgetTexts(const WidgetTexts&) = delete;
    WidgetTexts& operator=(const WidgetTexts&) = delete;

    TextBuffer<GpuNameCapacity> gpuName[MaxGpus];
    TextBuffer<MonitorTextCapacity> monitorValue[MonitorRowCount];
    TextBuffer<MonitorTextCapacity> fanRpm[2];
    TextBuffer<SliderTextCapacity> sliderMin[SliderCount];
    TextBuffer<SliderTextCapacity> sliderMax[SliderCount];
    TextBuffer<SliderTextCapacity> sliderValue[SliderCount];
    TextBuffer<CurveLabelCapacity> curveLabel[CurvePointCount];
};

// Every widget by name. The views belong to the tree under root, and the root
// to whoever built the tree; this record only finds them.
struct Widgets {
    View* root = nullptr;

    // Frame and titles.
    View* logo = nullptr;
    View* title = nullptr;
    View* version = nullptr;
    View* footer = nullptr;
    View* closeButton = nullptr;
    View* minimiseButton = nullptr;
    View* gpuListHeading = nullptr;
    View* informationHeading = nullptr;
    View* gpuListFrame = nullptr;
    View* informationFrame = nullptr;

    // GPU list and monitor.
    View* gpuItem[MaxGpus] = {};
    View* monitorLabel[MonitorRowCount] = {};
    View* monitorValue[MonitorRowCount] = {};
    View* fanRpmText[2] = {};  // under the fan 1 and fan 2 values
    View* monitorHelp[MonitorHelpCount] = {};
    View* meterSegment[MonitorRowCount][MeterSegmentCount] = {};

    // Mode switch and Easy Mode; presets in the order highperformance, default, eco.
    View* easyHeading = nullptr;
    View* easySubheading = nullptr;
    View* advancedHeading = nullptr;
    View* advancedSubheading = nullptr;
    View* advancedModeButton = nullptr;
    View* easyModeButton = nullptr;
    View* easyFrame = nullptr;
    View* largeOverlay[PresetCount] = {};
    View* presetButton[PresetCount] = {};
    View* easyCard = nullptr;
    View* smallOverlay[PresetCount] = {};
    View* applyButton = nullptr;
    View* resetButton = nullptr;

    // Advanced Mode pages.
    View* profileButton = nullptr;
    View* advancedFrame = nullptr;
    View* curveChart = nullptr;
    View* chartLabel[4] = {};  // temperature, fan speed, 100 degrees, 100 per cent
    View* curveSegment[CurveSegmentCount] = {};
    View* curvePoint[CurvePointCount] = {};
    View* curveLabel[CurvePointCount] = {};
    View* sliSyncBox = nullptr;
    View* sliSyncLabel = nullptr;
    View* tab[TabCount] = {};
    View* sliderTitle[SliderCount] = {};
    SliderWidgets slider[SliderCount];
    View* overclockWarning = nullptr;
    // Per page, the help image of each slider's title; page 2 has one slider
    // and page 4 none.
    View* pageHelp[PageCount][SliderCount] = {};
    View* easyModeHelp = nullptr;
    View* advancedModeHelp = nullptr;
    View* applyHelp = nullptr;
    View* resetHelp = nullptr;
};

// The program's widgets and their texts, built by the main window initialisation.
extern Widgets widgets;
extern WidgetTexts widgetTexts;

struct LayoutInputs {
    std::int32_t activeGpu = 0;  // the current GPU index, whose values the widgets start from
    // Called once the monitor panel's widgets exist: the monitoring and
    // fan-level threads start there. May be empty. It has run when a later
    // entry fails, so the caller also stops what it started.
    std::function<void()> monitorWidgetsReady;
};

// Builds the root and the whole tree from the open archive, in Easy Mode on
// page 0, preset buttons marked by easySettings and SLI-SYNC by sliSync, and
// returns the root, which owns the tree. When an entry cannot be loaded the
// partial tree is deleted, widgets is cleared and null returned; the caller
// tells the user (OutOfMemoryMessage).
std::unique_ptr<View> buildWidgetTree(std::FILE* archive, const LayoutInputs& inputs, Widgets& widgets,
                                      WidgetTexts& texts);

// The colour of a monitor meter segment for an easy preset (0xRRGGBB): the
// preset's own colour, or for custom a ramp along the row.
std::uint32_t meterSegmentColour(std::int32_t preset, bool fanRow, int segment);

}  // namespace vt
