#include "app/panels/MonitorPanel.h"

#include <cstdio>
#include <string>

#include "app/panels/HoverHelp.h"
#include "app/panels/ShownGpu.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"

namespace vt {

MonitorTexts monitorTexts[MaxGpus];

void resetMonitorTexts() {
    for (MonitorTexts& texts : monitorTexts) texts = MonitorTexts{};
}

namespace {

constexpr std::int32_t FarAligned = 2;

// ASCII from snprintf, widened; the units that follow are UTF-16.
template <class Value>
std::u16string number(const char* format, Value value) {
    char digits[32] = {};
    std::snprintf(digits, sizeof digits, format, value);
    std::u16string wide;
    for (const char* c = digits; *c != '\0'; ++c) wide += static_cast<char16_t>(static_cast<unsigned char>(*c));
    return wide;
}

std::u16string megahertz(std::uint32_t kiloHertz) { return number("%.1f", kiloHertz / 1000.0) + u"MHz\n"; }
std::u16string percent(std::int32_t value) { return number("%d", value) + u"％\n"; }
std::u16string rpm(std::int32_t value) { return number("%d", value) + u"rpm\n"; }

// What the single fan row shows: the cooler, or on the per-fan interface the first fan.
std::int32_t singleFanLevel(const GpuSlot& gpu) { return gpu.caps.NewFanInterface ? gpu.fanSpeed1 : gpu.fanSpeed; }
std::int32_t singleFanRpm(const GpuSlot& gpu) { return gpu.caps.NewFanInterface ? gpu.fan1Rpm : gpu.fanRpm; }

std::uint32_t textColour(bool live) { return live ? LiveTextColour : DeadTextColour; }

void recolour(View& label, bool live) {
    label.setText(label.text(), label.fontSize(), label.fontStyle(), label.alignment(), textColour(live), label.width(),
                  label.height());
}

// The view shows the text from the widget's own buffer, which outlives it.
template <std::size_t Capacity>
void showText(View& view, TextBuffer<Capacity>& shown, std::u16string_view text, bool live) {
    shown.assign(text);
    view.setText(shown.c_str(), 8, 0, FarAligned, textColour(live), 1, 1);
}

void showRow(int row, std::u16string_view text, bool live) {
    recolour(*widgets.monitorLabel[row], live);
    showText(*widgets.monitorValue[row], widgetTexts.monitorValue[row], text, live);
}

void showReadings(const MonitorTexts& texts, const GpuReadings& readings) {
    showRow(RowGpuClock, texts.gpuClock.view(), readings.gpuClock != 0);
    showRow(RowMemoryClock, texts.memClock.view(), readings.memClock != 0);
    showRow(RowTemperature, texts.temperature.view(), readings.gpuTemperature != 0);
    showRow(RowLoad, texts.load.view(), true);
}

void showFans(const MonitorTexts& texts, const GpuSlot& gpu) {
    const bool perFan = fansDrivenOneByOne(gpu);
    widgets.monitorLabel[RowFan]->setVisible(!perFan);
    widgets.monitorValue[RowFan]->setVisible(!perFan);
    for (int fan = 0; fan < 2; ++fan) {
        widgets.monitorLabel[RowFan1 + fan]->setVisible(perFan);
        widgets.monitorValue[RowFan1 + fan]->setVisible(perFan);
        widgets.fanRpmText[fan]->setVisible(perFan);
    }
    if (!perFan) {
        showRow(RowFan, texts.fan.view(), singleFanLevel(gpu) != 0 || singleFanRpm(gpu) != 0);
        return;
    }
    const bool live[2] = {gpu.fanSpeed1 != 0 || gpu.fan1Rpm != 0, gpu.fanSpeed2 != 0 || gpu.fan2Rpm != 0};
    showRow(RowFan1, texts.fan1.view(), live[0]);
    showRow(RowFan2, texts.fan2.view(), live[1]);
    showText(*widgets.fanRpmText[0], widgetTexts.fanRpm[0], texts.fan1Rpm.view(), live[0]);
    showText(*widgets.fanRpmText[1], widgetTexts.fanRpm[1], texts.fan2Rpm.view(), live[1]);
}

// Meter inputs as fractions of a full row. They describe the GPU the
// monitoring thread sampled last; until it has sampled the selected one the
// meters stay dark rather than show another GPU's values under its name.
void meterReadings(const GpuSlot& gpu, int index, float (&reading)[MonitorRowCount]) {
    const MeterSample sample = monitor.meters.read();
    const bool sampled = sample.gpu == index;
    auto fraction = [sampled](float value, float full) { return sampled ? value / full : 0.0f; };
    reading[RowGpuClock] = fraction(sample.gpuClockRatio, 1.0f);
    reading[RowMemoryClock] = fraction(sample.memClockRatio, 1.0f);
    reading[RowTemperature] = fraction(sample.temperature, 100.0f);
    reading[RowLoad] = fraction(sample.load, 100.0f);
    reading[RowFan] = fraction(gpu.caps.NewFanInterface ? sample.fan1Level : sample.fanLevel, 100.0f);
    reading[RowFan1] = fraction(sample.fan1Level, 100.0f);
    reading[RowFan2] = fraction(sample.fan2Level, 100.0f);
}

constexpr bool fanRow(int row) { return row == RowFan || row == RowFan1 || row == RowFan2; }

void showMeterRow(int row, float reading, bool shown) {
    const std::int32_t preset = tuning.easySettings;
    for (int segment = 0; segment < MeterSegmentCount; ++segment) {
        View* line = widgets.meterSegment[row][segment];
        const std::uint8_t alpha = segmentLit(segment, reading) ? LitSegmentAlpha : UnlitSegmentAlpha;
        const Rect at = line->line();
        line->setLine(2.0f, {at.left, at.top}, {at.right, at.bottom},
                      std::uint32_t{alpha} << 24 | meterSegmentColour(preset, fanRow(row), segment));
        line->setVisible(shown);
    }
}

void showMeters(const GpuSlot& gpu, int index) {
    float reading[MonitorRowCount] = {};
    meterReadings(gpu, index, reading);
    const bool perFan = fansDrivenOneByOne(gpu);
    for (int row = 0; row < MonitorRowCount; ++row) {
        const bool shown = row == RowFan ? !perFan : (row == RowFan1 || row == RowFan2) ? perFan : true;
        showMeterRow(row, reading[row], shown);
    }
}

bool widgetsBuilt() {
    for (int row = 0; row < MonitorRowCount; ++row) {
        if (widgets.monitorLabel[row] == nullptr || widgets.monitorValue[row] == nullptr) return false;
    }
    return widgets.fanRpmText[0] != nullptr && widgets.fanRpmText[1] != nullptr &&
           widgets.meterSegment[MonitorRowCount - 1][MeterSegmentCount - 1] != nullptr;
}

}  // namespace

bool fansDrivenOneByOne(const GpuSlot& gpu) { return gpu.caps.NewFanInterface != 0 && gpu.fanCount >= 2; }

void formatMonitorTexts(int gpu, MonitorTexts& texts) {
    const GpuSlot& slot = inventory.slots[gpu];
    const GpuReadings& readings = monitor.gpu[gpu];
    const bool rpmReported = slot.fanRpmAvailable != 0;
    texts.name = slot.name;
    texts.gpuClock.assign(megahertz(readings.gpuClock));
    texts.memClock.assign(megahertz(readings.memClock));
    texts.temperature.assign(number("%d", readings.gpuTemperature.load()) + u"℃\n");
    texts.load.assign(percent(readings.gpuLoad));
    texts.fan.assign(percent(singleFanLevel(slot)) + (rpmReported ? rpm(singleFanRpm(slot)) : u"---rpm\n"));
    texts.fan1.assign(percent(slot.fanSpeed1));
    texts.fan2.assign(percent(slot.fanSpeed2));
    texts.fan1Rpm.assign(rpmReported ? rpm(slot.fan1Rpm) : u"");
    texts.fan2Rpm.assign(rpmReported ? rpm(slot.fan2Rpm) : u"");
}

bool segmentLit(int segment, float reading) {
    return static_cast<float>(segment) < reading * static_cast<float>(MeterSegmentCount);
}

std::int32_t refreshMonitor() {
    if (inventory.count <= 0 || !widgetsBuilt()) return 255;
    // Which GPU drives the display may change while the program runs: the
    // panels ask the driver again once a second.
    forgetShownGpu();
    const int index = shownGpuIndex();
    MonitorTexts& texts = monitorTexts[index];
    formatMonitorTexts(index, texts);
    const GpuSlot& gpu = inventory.slots[index];
    showReadings(texts, monitor.gpu[index]);
    showFans(texts, gpu);
    showMeters(gpu, index);
    return 255;
}

void hitTestMonitorLabels(Point cursor) {
    for (View* label : widgets.monitorLabel) {
        if (label != nullptr) label->hitTestSelf(cursor);
    }
}

void monitorHelpPass() {
    struct Pair {
        int row;
        int help;
    } constexpr pairs[] = {{RowGpuClock, HelpGpuClock},
                           {RowMemoryClock, HelpMemoryClock},
                           {RowTemperature, HelpTemperature},
                           {RowLoad, HelpLoad},
                           {RowFan2, HelpFan2}};
    for (const Pair& pair : pairs) stepHoverHelp(widgets.monitorLabel[pair.row], widgets.monitorHelp[pair.help]);
    // The fan and fan 1 labels share one image; only the one shown may drive
    // it, or the hidden one would hide it again on every pass.
    View* fan = widgets.monitorLabel[RowFan];
    View* fan1 = widgets.monitorLabel[RowFan1];
    if (fan == nullptr || fan1 == nullptr) return;
    View* shown = fan1->visible() && !fan->visible() ? fan1 : fan;
    View* other = shown == fan ? fan1 : fan;
    other->setHoverTicks(0);
    stepHoverHelp(shown, widgets.monitorHelp[HelpFan]);
}

}  // namespace vt
