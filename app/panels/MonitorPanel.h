// The monitor panel: the selected GPU's clocks, temperature, load and fans as
// texts and 60-segment meters, refreshed once a second from what the
// monitoring thread last read.
//
// A reading of 0 means the driver did not give it: its row is drawn nearly
// transparent. The meters take the colour of the easy preset in force, or a
// ramp along the row for custom settings.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "state/GpuInventory.h"
#include "ui/TextBuffer.h"
#include "ui/WidgetLayout.h"

namespace vt {

// The texts of one GPU, each ending in a line break.
struct MonitorTexts {
    const char16_t* name = u"";  // the display name, as the GPU list shows it
    TextBuffer<MonitorTextCapacity> gpuClock;     // "1710.0MHz"
    TextBuffer<MonitorTextCapacity> memClock;
    TextBuffer<MonitorTextCapacity> temperature;  // "45℃"
    TextBuffer<MonitorTextCapacity> load;         // "60％"
    TextBuffer<MonitorTextCapacity> fan;          // "40％" and "1500rpm" (or "---rpm") below
    TextBuffer<MonitorTextCapacity> fan1;
    TextBuffer<MonitorTextCapacity> fan2;
    TextBuffer<MonitorTextCapacity> fan1Rpm;  // empty when the card reports no rpm
    TextBuffer<MonitorTextCapacity> fan2Rpm;
};

extern MonitorTexts monitorTexts[MaxGpus];
// Every text empty again, as at start-up.
void resetMonitorTexts();

inline constexpr std::uint32_t LiveTextColour = 0xFFFFFFFFu;
inline constexpr std::uint32_t DeadTextColour = 0x1EFFFFFFu;  // a reading the driver did not give
inline constexpr std::uint8_t LitSegmentAlpha = 0xFF;
inline constexpr std::uint8_t UnlitSegmentAlpha = 0x1E;

// The fans get a row each (fan 1 and fan 2) instead of the single fan row:
// the card drives two fans one by one.
bool fansDrivenOneByOne(const GpuSlot& gpu);

// Formats the nine texts of inventory GPU `gpu` from its latest readings.
void formatMonitorTexts(int gpu, MonitorTexts& texts);

// Segment i of a row is lit when i < reading x 60; the reading is a fraction
// of the full meter (1.0 lights all 60).
bool segmentLit(int segment, float reading);

// Texts, colours, fan rows and meters of the selected GPU; once a second,
// before the repaint. Returns 255.
std::int32_t refreshMonitor();

// Refreshes the name labels' under-cursor flags (first step of the panel pass).
void hitTestMonitorLabels(Point cursor);
// Each name label shows its help image after resting the pointer on it.
void monitorHelpPass();

}  // namespace vt
