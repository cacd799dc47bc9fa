#include "app/panels/SliderPanel.h"

#include <cmath>
#include <string>

#include "app/panels/AdvancedPages.h"
#include "app/PanelEdit.h"
#include "app/panels/PanelPass.h"
#include "app/ShellState.h"
#include "app/panels/ShownGpu.h"
#include "app/panels/SliderScale.h"
#include "gpu/Reset.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

constexpr std::int32_t KnobTop[SliderCount] = {421, 515};
constexpr std::int32_t BarRow[SliderCount] = {430, 524};
constexpr std::uint32_t White = 0xFFFFFFFFu;
constexpr std::uint32_t Invisible = 0x00FFFFFFu;
constexpr std::uint32_t TrackColour = 0xFF222427u;
constexpr std::uint32_t BarBlue = 0xFF0099FFu;
constexpr std::uint32_t HiddenBarBlue = 0x000099FFu;
constexpr std::int32_t Centre = 1;
constexpr int RepeatSteps = 21;  // a held key steps on every pass from this many repeats on

struct Bounds {
    double minimum = 0;
    double maximum = 0;
};

// What a step up from "automatic" (-100) gives.
enum class FromAutomatic { PlusOne, FrameRateFloor, FanMinimumPlusOne };

// One slider of one page: its stored value, bounds and texts.
struct Binding {
    bool (*disabled)(const GpuSlot&);
    double (*stored)(const GpuSlot&);  // in the stored unit
    double storedPerShown;             // 1000 for kHz and 1/1000 %
    Bounds (*bounds)(const GpuSlot&);  // in the shown unit
    double (*working)();
    void (*setWorking)(double);
    std::u16string (*text)(double value, const GpuSlot&);
    const char16_t* disabledText;
    bool doublePrecision;
    FromAutomatic fromAutomatic;
};

std::u16string number(double value) {
    const std::string digits = std::to_string(static_cast<long long>(value));
    return {digits.begin(), digits.end()};
}

std::u16string offsetText(double value, const GpuSlot& gpu) {
    const bool plus = tunable(gpu) && static_cast<long long>(value) >= 0;
    return (plus ? u"+" : u"") + number(value) + u" MHz";
}
std::u16string percentText(double value, const GpuSlot&) { return number(value) + u" ％"; }
std::u16string degreesText(double value, const GpuSlot&) { return number(value) + u" ℃"; }
std::u16string frameRateText(double value, const GpuSlot&) { return value < 0 ? u"MAXFPS" : number(value) + u" FPS"; }
std::u16string fanText(double value, const GpuSlot&) { return value < 0 ? u"AUTO" : number(value) + u" ％"; }

Bounds kiloBounds(float minimum, float maximum) { return {minimum / 1000.0f, maximum / 1000.0f}; }

bool perFan(const GpuSlot& gpu) { return gpu.caps.NewFanInterface != 0; }

const Binding Bindings[PageCount][SliderCount] = {
    {
        {[](const GpuSlot&) { return tuning.gpuOffsetMin == 0.0f; },
         [](const GpuSlot&) { return double(tuning.gpuOffset); }, 1000,
         [](const GpuSlot&) { return kiloBounds(tuning.gpuOffsetMin, tuning.gpuOffsetMax); },
         [] { return double(panel.gpuOffsetEdit); }, [](double v) { panel.gpuOffsetEdit = float(v); }, offsetText,
         u"+0 MHz", false, FromAutomatic::PlusOne},
        {[](const GpuSlot&) { return tuning.memOffsetMin == 0.0f; },
         [](const GpuSlot&) { return double(tuning.memOffset); }, 1000,
         [](const GpuSlot&) { return kiloBounds(tuning.memOffsetMin, tuning.memOffsetMax); },
         [] { return double(panel.memOffsetEdit); }, [](double v) { panel.memOffsetEdit = float(v); }, offsetText,
         u"+0 MHz", false, FromAutomatic::PlusOne},
    },
    {
        {[](const GpuSlot&) { return tuning.powerTargetMin == 0 || tuning.powerTargetMax == 0; },
         [](const GpuSlot&) { return double(tuning.powerTarget); }, 1000,
         [](const GpuSlot&) {
             return Bounds{static_cast<float>(tuning.powerTargetMin) / 1000.0f,
                           static_cast<float>(tuning.powerTargetMax) / 1000.0f};
         },
         [] { return double(panel.powerTargetEdit); }, [](double v) { panel.powerTargetEdit = float(v); }, percentText,
         u"0 ％", false, FromAutomatic::PlusOne},
        {[](const GpuSlot&) { return tuning.tempTargetMin == 0; },
         [](const GpuSlot&) { return double(tuning.tempTarget); }, 1,
         [](const GpuSlot&) {
             return Bounds{double(tuning.tempTargetMin), double(tuning.tempTargetMax)};
         },
         [] { return double(panel.tempTargetEdit); }, [](double v) { panel.tempTargetEdit = float(v); }, degreesText,
         u"0 ℃", false, FromAutomatic::PlusOne},
    },
    {
        {[](const GpuSlot&) { return tuning.fpsTarget < ValueAutomatic; },
         [](const GpuSlot&) { return double(tuning.fpsTarget.load()); }, 1,
         [](const GpuSlot&) {
             return Bounds{double(monitor.fpsTargetMin), double(monitor.fpsTargetMax)};
         },
         [] { return panel.fpsTargetEdit; }, [](double v) { panel.fpsTargetEdit = v; }, frameRateText, u"MAXFPS", true,
         FromAutomatic::FrameRateFloor},
        {},
    },
    {
        {[](const GpuSlot& gpu) { return gpu.fanMax == 0 && gpu.fan1Max == 0; },
         [](const GpuSlot& gpu) { return double(perFan(gpu) ? tuning.fanSpeed1ToKeep : tuning.fanSpeedToKeep); }, 1,
         [](const GpuSlot& gpu) {
             return perFan(gpu) ? Bounds{double(gpu.fan1Min), double(gpu.fan1Max)}
                                : Bounds{double(gpu.fanMin), double(gpu.fanMax)};
         },
         [] { return double(panel.fanSpeedEdit); }, [](double v) { panel.fanSpeedEdit = float(v); }, fanText, u"AUTO",
         false, FromAutomatic::FanMinimumPlusOne},
        {[](const GpuSlot& gpu) { return gpu.fan2Max == 0; },
         [](const GpuSlot&) { return double(tuning.fanSpeed2ToKeep); }, 1,
         [](const GpuSlot& gpu) {
             return Bounds{double(gpu.fan2Min), double(gpu.fan2Max)};
         },
         [] { return double(panel.fan2SpeedEdit); }, [](double v) { panel.fan2SpeedEdit = float(v); }, fanText, u"AUTO",
         false, FromAutomatic::FanMinimumPlusOne},
    },
    {},
};

const Binding* bindingFor(int page, int slider) {
    if (page < 0 || page >= PageCount || slider >= slidersOnPage(page)) return nullptr;
    return &Bindings[page][slider];
}

enum ArrowKey { LeftArrow, RightArrow };

// What the panel remembers between refreshes.
struct SliderBook {
    double storedShown[PageCount][SliderCount] = {};  // the stored value last taken over
    int pageShown = -1;
    int gpuShown = -1;
    std::int32_t activeSlider = 0;
    bool skip[SliderCount][2] = {};  // per slider, Left and Right: the pass after a step
    bool repaintDue = false;
} book;

std::int32_t placeFor(const Binding& b, double value, const Bounds& bounds) {
    if (b.doublePrecision) return valueToKnob(value, bounds.minimum, bounds.maximum);
    return valueToKnob(float(value), float(bounds.minimum), float(bounds.maximum));
}

double readingOf(const Binding& b, std::int32_t knobX, const Bounds& bounds) {
    if (b.doublePrecision) return knobToValue(knobX, bounds.minimum, bounds.maximum);
    return knobToValue(knobX, float(bounds.minimum), float(bounds.maximum));
}

void setValueText(int s, std::u16string_view text, std::uint32_t colour) {
    widgetTexts.sliderValue[s].assign(text);
    widgets.slider[s].valueText->setText(widgetTexts.sliderValue[s].c_str(), 8, 0, Centre, colour, 1, 1);
}

void setLabels(int s, std::u16string_view minimum, std::u16string_view maximum, std::uint32_t colour) {
    widgetTexts.sliderMin[s].assign(minimum);
    widgetTexts.sliderMax[s].assign(maximum);
    widgets.slider[s].minLabel->setText(widgetTexts.sliderMin[s].c_str(), 8, 0, Centre, colour, 0, 0);
    widgets.slider[s].maxLabel->setText(widgetTexts.sliderMax[s].c_str(), 8, 0, Centre, colour, 0, 0);
}

void showDisabled(int s, const Binding& b) {
    View& knob = *widgets.slider[s].knob;
    knob.setDraggable(false);
    knob.moveTo({KnobLeftmost, KnobTop[s]});
    knob.setOpacity(0.5f);
    setLabels(s, u"0", u"0", Invisible);
    setValueText(s, b.disabledText, Invisible);
}

void placeKnob(int s, const Binding& b, double value, const Bounds& bounds) {
    widgets.slider[s].knob->moveTo({placeFor(b, value, bounds), KnobTop[s]});
}

void followStored(int s, int page, const Binding& b, const GpuSlot& gpu, const Bounds& bounds, bool everything) {
    const double stored = b.stored(gpu);
    if (!everything && stored == book.storedShown[page][s]) return;
    const double shown = std::trunc(stored / b.storedPerShown);
    b.setWorking(shown);
    placeKnob(s, b, shown, bounds);
    book.storedShown[page][s] = stored;
}

void followDrag(int s, const Binding& b, const Bounds& bounds) {
    const std::int32_t mouse = shell.input.mouseButton;
    if (mouse < BUTTON_PRESSED) panel.sliderDragging[s] = 0;
    if (widgets.slider[s].knob->pressed() && mouse >= BUTTON_PRESSED) {
        panel.sliderDragging[s] = 1;
        book.activeSlider = s;
    }
    if (panel.sliderDragging[s]) b.setWorking(readingOf(b, widgets.slider[s].knob->position().x, bounds));
}

double stepUp(const Binding& b, double value, const Bounds& bounds) {
    if (value == ValueAutomatic && b.fromAutomatic == FromAutomatic::FrameRateFloor) return 16;
    if (value == ValueAutomatic && b.fromAutomatic == FromAutomatic::FanMinimumPlusOne) {
        return std::trunc(bounds.minimum) + 1;
    }
    return value + 1;
}

void followKey(int s, const Binding& b, const Bounds& bounds, ArrowKey key) {
    bool& skip = book.skip[s][key];
    if (skip) {
        skip = false;
        return;
    }
    const InputState& in = shell.input;
    const bool pressed = key == LeftArrow ? in.leftKey == BUTTON_PRESSED : in.rightKey == BUTTON_PRESSED;
    const std::int32_t repeat = key == LeftArrow ? in.leftKeyRepeat : in.rightKeyRepeat;
    if (!pressed && repeat < RepeatSteps) return;
    const double value = b.working();
    double next = 0;
    if (key == LeftArrow) {
        if (!(std::trunc(bounds.minimum) < value)) return;
        next = value - 1;
    } else {
        if (!(value < std::trunc(bounds.maximum))) return;
        next = stepUp(b, value, bounds);
    }
    skip = true;
    b.setWorking(next);
    placeKnob(s, b, next, bounds);
    book.repaintDue = true;
}

void refreshSlider(int s, int page, const Binding& b, const GpuSlot& gpu, bool everything, bool keyed) {
    if (b.disabled(gpu)) {
        showDisabled(s, b);
        return;
    }
    View& knob = *widgets.slider[s].knob;
    knob.setDraggable(true);
    knob.setOpacity(1.0f);
    const Bounds bounds = b.bounds(gpu);
    setLabels(s, number(bounds.minimum), number(bounds.maximum), White);
    followStored(s, page, b, gpu, bounds, everything);
    followDrag(s, b, bounds);
    if (keyed) {
        followKey(s, b, bounds, LeftArrow);
        followKey(s, b, bounds, RightArrow);
    }
    setValueText(s, b.text(b.working(), gpu), White);
}

// The clock-offset fill warms from blue at zero to red at the maximum.
std::uint32_t offsetFillColour(std::int32_t knobX, bool& warn) {
    float heat = 0.0f;
    warn = panel.gpuOffsetEdit > 0.0f;
    if (warn) {
        const std::int32_t zero = zeroKnob(tuning.gpuOffsetMin / 1000.0f, tuning.gpuOffsetMax / 1000.0f);
        // Zero at the right end leaves no room to warm: the bar is as hot as it gets.
        heat = zero >= KnobRightmost
                   ? 255.0f
                   : static_cast<float>(knobX - zero) / static_cast<float>(KnobRightmost - zero) * 255.0f;
    }
    const FillRgb rgb = fillColour(heat);
    return 0xFF000000u | std::uint32_t{rgb.r} << 16 | std::uint32_t{rgb.g} << 8 | rgb.b;
}

void refreshFirstBar(const GpuSlot& gpu) {
    const SliderWidgets& w = widgets.slider[0];
    if (!w.fillBar->visible()) return;
    const std::int32_t knobX = w.knob->position().x;
    std::uint32_t colour = HiddenBarBlue;
    bool warn = false;
    if (w.knob->opacity() == 1.0f) {
        w.trackLine->setLine(10.0f, {230, BarRow[0]}, {490, BarRow[0]}, TrackColour);
        const bool offsets = lifecycle.activePage == ClockPage && tunable(gpu);
        colour = offsets ? offsetFillColour(knobX, warn) : BarBlue;
    }
    widgets.overclockWarning->setVisible(warn);
    w.fillBar->setLine(12.0f, {230, BarRow[0]}, {knobX + 8, BarRow[0]}, colour);
}

void refreshSecondBar() {
    const SliderWidgets& w = widgets.slider[1];
    const bool shown = w.knob->visible();
    w.trackLine->setVisible(shown);
    w.fillBar->setVisible(shown);
    if (!shown) return;
    const std::uint32_t colour = w.knob->opacity() == 1.0f ? BarBlue : HiddenBarBlue;
    w.fillBar->setLine(12.0f, {230, BarRow[1]}, {w.knob->position().x + 8, BarRow[1]}, colour);
}

bool sliderWidgetsBuilt() {
    for (const SliderWidgets& s : widgets.slider) {
        if (s.knob == nullptr || s.fillBar == nullptr || s.trackLine == nullptr || s.valueText == nullptr ||
            s.minLabel == nullptr || s.maxLabel == nullptr) {
            return false;
        }
    }
    return widgets.overclockWarning != nullptr;
}

void refreshPageSliders(const GpuSlot& gpu, int gpuIndex) {
    const int page = lifecycle.activePage;
    const bool everything = panel.forceRefresh != 0 || page != book.pageShown || gpuIndex != book.gpuShown;
    // A page with one slider is the keys' whatever was dragged last elsewhere.
    const int keyed = slidersOnPage(page) > 1 ? book.activeSlider : 0;
    for (int s = 0; s < SliderCount; ++s) {
        if (const Binding* b = bindingFor(page, s)) refreshSlider(s, page, *b, gpu, everything, s == keyed);
    }
}

}  // namespace

std::int32_t refreshSliders() {
    const int gpuIndex = shownGpuIndex();
    const GpuSlot& gpu = inventory.slots[gpuIndex];
    if (sliderWidgetsBuilt()) {
        refreshFirstBar(gpu);
        refreshSecondBar();
        if (panel.advancedMode == 1) refreshPageSliders(gpu, gpuIndex);
    }
    panel.forceRefresh = 0;
    book.pageShown = lifecycle.activePage;
    book.gpuShown = gpuIndex;
    // Whatever a reset changed has been taken over: the monitoring thread may go on.
    resetTakenOver();
    if (book.repaintDue) {
        // After the bookkeeping: the paint's own refresh is the pass a step skips.
        book.repaintDue = false;
        repaint();
    }
    return lifecycle.activePage;
}

std::int32_t activeSlider() { return book.activeSlider; }

void resetSliderPanel() { book = SliderBook{}; }

}  // namespace vt
