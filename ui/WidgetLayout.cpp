#include "ui/WidgetLayout.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "resources/ProductVersion.h"
#include "state/TuningSettings.h"
#include "ui/CurveChart.h"
#include "ui/SkinArchive.h"

namespace vt {

Widgets widgets;
WidgetTexts widgetTexts;

namespace {

constexpr int NoEntry = -1;
constexpr std::int32_t Bold = 1;
constexpr std::int32_t Near = 0;
constexpr std::int32_t Centre = 1;
constexpr std::int32_t Far = 2;

constexpr std::uint32_t white(std::uint8_t alpha = 0xFF) { return std::uint32_t{alpha} << 24 | 0xFFFFFFu; }

// How a text view starts: size in points, style, alignment, colour, hit size.
struct TextLook {
    std::int32_t size = 8;
    std::int32_t style = 0;
    std::int32_t alignment = Near;
    std::uint32_t argb = white();
    std::int32_t width = 0;
    std::int32_t height = 0;
};

void applyLook(View& view, const char16_t* text, const TextLook& look) {
    view.setText(text, look.size, look.style, look.alignment, look.argb, look.width, look.height);
}

// Makes widgets as children of the root, one after the other.
class TreeBuilder {
public:
    TreeBuilder(std::FILE* archive, View& root) : archive_(archive), root_(root) {}

    // An image widget from its normal entry, then its pressed and hover entries.
    bool image(View*& slot, int normal, Point at, int pressed = NoEntry, int hover = NoEntry) {
        if (!loadSkinEntry(archive_, normal, slot, at.x, at.y, &root_, false, false)) return false;
        if (pressed != NoEntry && !loadSkinEntry(archive_, pressed, slot, 0, 0, nullptr, true, false)) return false;
        return hover == NoEntry || loadSkinEntry(archive_, hover, slot, 0, 0, nullptr, false, true);
    }
    // A hidden image that never takes a click (help images, page frames).
    bool passiveImage(View*& slot, int entry, Point at, bool hidden) {
        if (!image(slot, entry, at)) return false;
        slot->setHitThrough(true);
        if (hidden) slot->setVisible(false);
        return true;
    }
    View* text(Point at, const char16_t* text, const TextLook& look) {
        auto* view = new View(at, &root_, KindText, nullptr, 0);
        applyLook(*view, text, look);
        return view;
    }
    View* line(float pen, Point from, Point to, std::uint32_t argb) {
        auto* view = new View({0, 0}, &root_, KindLine, nullptr, 0);
        view->setLine(pen, from, to, argb);
        return view;
    }

private:
    std::FILE* archive_;
    View& root_;
};

void hide(View* view) { view->setVisible(false); }

std::u16string_view boundedText(const char16_t* text, std::size_t capacity) {
    return {text, static_cast<std::size_t>(std::find(text, text + capacity, u'\0') - text)};
}

bool offsetCapable(const GpuSlot& slot) { return slot.caps.ModernTuning != 0 || slot.caps.LegacyTuning != 0; }

// --- frame and titles ---------------------------------------------------

bool buildFrame(TreeBuilder& build, Widgets& w) {
    if (!build.passiveImage(w.logo, 32, {20, 20}, false)) return false;
    w.title = build.text({325, 20}, u"Halvenro Vantrelis", {12, Bold, Centre});
    w.version = build.text({325, 40}, u"Ver." VT_VERSION_TEXT, {7, Bold, Centre});
    w.footer = build.text({550, 620}, u"Halvenro Vantrelis Ver." VT_VERSION_TEXT, {7, Bold, Centre, white(64)});
    if (!build.image(w.closeButton, 61, {584, 0}, 62)) return false;
    if (!build.image(w.minimiseButton, 59, {554, 0}, 60)) return false;
    w.closeButton->setImageState(ImageAuto);
    w.minimiseButton->setImageState(ImageAuto);
    w.gpuListHeading = build.text({26, 84}, u"GPUの選択", {8, Bold, Near});
    w.informationHeading = build.text({214, 84}, u"GPU Information", {8, Bold, Near});
    return build.passiveImage(w.gpuListFrame, 34, {30, 109}, false) &&
           build.passiveImage(w.informationFrame, 35, {220, 109}, false);
}

// --- GPU list and monitor -------------------------------------------------

constexpr std::int32_t GpuItemY[MaxGpus] = {129, 162, 193, 223};

void buildGpuList(TreeBuilder& build, Widgets& w, WidgetTexts& texts) {
    const int present = std::clamp(inventory.count, 0, MaxGpus);
    for (int gpu = 0; gpu < MaxGpus; ++gpu) {
        if (gpu < present) {
            texts.gpuName[gpu].assign(boundedText(inventory.slots[gpu].name, GpuNameCapacity));
        } else {
            texts.gpuName[gpu].assign(u"- empty -");
        }
        const std::uint8_t alpha = gpu == tuning.selectedGpu ? 190 : 64;
        w.gpuItem[gpu] = build.text({42, GpuItemY[gpu]}, texts.gpuName[gpu].c_str(), {8, 0, Near, white(alpha), 150, 10});
    }
}

struct MonitorRowPlace {
    const char16_t* label;
    std::int32_t labelY;
    std::int32_t labelWidth;
    std::int32_t valueY;
    std::int32_t meterTop;
};

constexpr MonitorRowPlace MonitorRows[MonitorRowCount] = {
    {u"GPUクロック", 129, 66, 129, 130},      {u"メモリークロック", 160, 90, 160, 161},
    {u"GPU温度", 191, 46, 191, 192},          {u"GPU使用率", 223, 56, 223, 224},
    {u"FAN回転数", 255, 56, 250, 256},        {u"FAN回転数1", 250, 62, 244, 250},
    {u"FAN回転数2", 270, 62, 265, 270},
};

constexpr bool perFanRow(int row) { return row == RowFan1 || row == RowFan2; }
constexpr bool fanRow(int row) { return row == RowFan || perFanRow(row); }

constexpr std::int32_t MonitorLabelX = 238;
constexpr std::int32_t MonitorValueX = 414;  // values end here
constexpr std::int32_t MeterX = 420;

View* monitorValueText(TreeBuilder& build, std::int32_t y, const char16_t* text) {
    View* value = build.text({MonitorValueX, y}, text, {8, 0, Far, white(), 1, 1});
    value->setHitThrough(true);
    return value;
}

void buildMonitorTexts(TreeBuilder& build, Widgets& w, WidgetTexts& texts) {
    for (int row = 0; row < MonitorRowCount; ++row) {
        const MonitorRowPlace& place = MonitorRows[row];
        View* label = build.text({MonitorLabelX, place.labelY}, place.label, {8, 0, Near, white(), place.labelWidth, 10});
        label->setHoverDelay();
        if (perFanRow(row)) hide(label);
        w.monitorLabel[row] = label;
    }
    for (int row = 0; row < MonitorRowCount; ++row) {
        texts.monitorValue[row].assign(u"");
        w.monitorValue[row] = monitorValueText(build, MonitorRows[row].valueY, texts.monitorValue[row].c_str());
        if (!perFanRow(row)) continue;
        const int fan = row - RowFan1;
        texts.fanRpm[fan].assign(u"");
        w.fanRpmText[fan] = monitorValueText(build, MonitorRows[row].valueY + 10, texts.fanRpm[fan].c_str());
        hide(w.monitorValue[row]);
        hide(w.fanRpmText[fan]);
    }
}

struct HelpPlace {
    int entry;
    Point at;
};

constexpr HelpPlace MonitorHelpPlaces[MonitorHelpCount] = {
    {25, {218, 85}}, {47, {218, 113}}, {27, {218, 144}}, {26, {218, 175}}, {45, {218, 209}}, {45, {218, 234}},
};

void buildMeters(TreeBuilder& build, Widgets& w) {
    constexpr std::uint8_t UnlitAlpha = 30;
    const std::int32_t preset = tuning.easySettings;
    for (int row = 0; row < MonitorRowCount; ++row) {
        const std::int32_t top = MonitorRows[row].meterTop;
        for (int segment = 0; segment < MeterSegmentCount; ++segment) {
            const std::int32_t x = MeterX + 3 * segment;
            const std::uint32_t argb = std::uint32_t{UnlitAlpha} << 24 | meterSegmentColour(preset, fanRow(row), segment);
            View* line = build.line(2.0f, {x, top}, {x, top + 12}, argb);
            line->setHitThrough(true);
            if (perFanRow(row)) hide(line);
            w.meterSegment[row][segment] = line;
        }
    }
}

bool buildMonitor(TreeBuilder& build, Widgets& w, WidgetTexts& texts) {
    buildGpuList(build, w, texts);
    buildMonitorTexts(build, w, texts);
    for (int help = 0; help < MonitorHelpCount; ++help) {
        if (!build.passiveImage(w.monitorHelp[help], MonitorHelpPlaces[help].entry, MonitorHelpPlaces[help].at, true)) {
            return false;
        }
    }
    buildMeters(build, w);
    return true;
}

// --- mode switch and Easy Mode --------------------------------------------

struct PresetPlace {
    Point button;
    int normal, pressed, hover;
    int largeOverlay;
    int smallOverlay;
};

constexpr PresetPlace Presets[PresetCount] = {
    {{220, 392}, 6, 7, 5, 30, 42},    // highperformance
    {{354, 392}, 19, 20, 18, 29, 40},  // default
    {{489, 392}, 3, 4, 2, 28, 41},     // eco
};

bool overlays(TreeBuilder& build, View* (&slots)[PresetCount], int PresetPlace::*entry, Point at) {
    for (int preset = 0; preset < PresetCount; ++preset) {
        if (!build.passiveImage(slots[preset], Presets[preset].*entry, at, false)) return false;
        slots[preset]->setOpacity(0.0f);
    }
    return true;
}

void buildModeHeadings(TreeBuilder& build, Widgets& w) {
    w.easyHeading = build.text({30, 330}, u"簡単設定モード", {14});
    w.easySubheading = build.text({32, 354}, u"Easy Mode", {8});
    w.advancedHeading = build.text({30, 330}, u"拡張設定モード", {14});
    w.advancedSubheading = build.text({32, 354}, u"Advanced Mode", {8});
    hide(w.advancedHeading);
    hide(w.advancedSubheading);
}

bool buildEasyMode(TreeBuilder& build, Widgets& w) {
    buildModeHeadings(build, w);
    if (!build.image(w.advancedModeButton, 12, {514, 330}, 11, 10)) return false;
    w.advancedModeButton->setHoverDelay();
    if (!build.image(w.easyModeButton, 15, {420, 330}, 14, 13)) return false;
    w.easyModeButton->setImageState(ImagePressed);  // the current mode shows its pressed image
    w.easyModeButton->setHoverDelay();
    if (!build.passiveImage(w.easyFrame, 36, {30, 393}, false)) return false;
    if (!overlays(build, w.largeOverlay, &PresetPlace::largeOverlay, {37, 412})) return false;
    for (int preset = 0; preset < PresetCount; ++preset) {
        const PresetPlace& place = Presets[preset];
        if (!build.image(w.presetButton[preset], place.normal, place.button, place.pressed, place.hover)) return false;
    }
    if (!build.passiveImage(w.easyCard, 58, {220, 520}, false)) return false;
    if (!overlays(build, w.smallOverlay, &PresetPlace::smallOverlay, {220, 512})) return false;
    if (!build.image(w.applyButton, 16, {222, 598}, 16, 17)) return false;
    if (!build.image(w.resetButton, 8, {342, 598}, 8, 9)) return false;
    w.applyButton->setHoverDelay();
    w.resetButton->setHoverDelay();
    return true;
}

// --- Advanced Mode pages --------------------------------------------------

bool buildCurveEditor(TreeBuilder& build, Widgets& w, WidgetTexts& texts, const GpuSlot& slot) {
    // Segments first: the points paint over the ends they join.
    for (View*& segment : w.curveSegment) {
        segment = build.line(1.0f, {0, 0}, {0, 0}, 0xFF0000FFu);
        hide(segment);
    }
    for (int point = 0; point < CurvePointCount; ++point) {
        const bool end = point == 0 || point == CurvePointCount - 1;
        if (!build.image(w.curvePoint[point], end ? 98 : 99, {0, 0})) return false;
        hide(w.curvePoint[point]);
    }
    for (View*& label : w.curveLabel) {
        label = build.text({0, 0}, u"", {7, Bold});
        hide(label);
    }
    placeCurveEditor(w, texts, slot);
    return true;
}

void buildChartLabels(TreeBuilder& build, Widgets& w) {
    struct {
        Point at;
        const char16_t* text;
    } constexpr labels[4] = {
        {{360, 580}, u"温度"}, {{234, 472}, u"回転率"}, {{434, 580}, u"(100℃)"}, {{233, 380}, u"(100％)"}};
    for (int i = 0; i < 4; ++i) {
        w.chartLabel[i] = build.text(labels[i].at, labels[i].text, {7, 0, Near, 0xFFC8C8C8u});
        hide(w.chartLabel[i]);
    }
}

bool buildSliSync(TreeBuilder& build, Widgets& w) {
    if (!build.image(w.sliSyncBox, 57, {126, 267}, 56)) return false;
    // Image state 0, the checked box, shows synchronisation on.
    w.sliSyncBox->setImageState(tuning.sliSync != 0 ? ImageAuto : ImagePressed);
    w.sliSyncLabel = build.text({142, 265}, u"SLI-SYNC", {8});
    return true;
}

void buildTabs(TreeBuilder& build, Widgets& w) {
    struct {
        std::int32_t y;
        const char16_t* text;
    } constexpr tabs[TabCount] = {{401, u"基本設定"},
                                  {431, u"パワー/TEMP ターゲット"},
                                  {463, u"FPSターゲット"},
                                  {495, u"FAN回転数"},
                                  {527, u"FANカーブ"}};
    for (int page = 0; page < TabCount; ++page) {
        const std::uint8_t alpha = page == 0 ? 190 : 64;
        w.tab[page] = build.text({44, tabs[page].y}, tabs[page].text, {8, 0, Near, white(alpha), 150, 10});
        hide(w.tab[page]);
    }
}

void buildSliderTitles(TreeBuilder& build, Widgets& w, const GpuSlot& slot) {
    const bool offsets = offsetCapable(slot);
    const char16_t* titles[SliderCount] = {offsets ? u"GPUクロックオフセット" : u"GPUクロック",
                                           offsets ? u"メモリークロックオフセット" : u"メモリークロック"};
    const std::int32_t widths[SliderCount] = {offsets ? 122 : 68, offsets ? 144 : 89};
    const std::int32_t y[SliderCount] = {392, 486};
    for (int s = 0; s < SliderCount; ++s) {
        w.sliderTitle[s] = build.text({228, y[s]}, titles[s], {8, Bold, Near, white(), widths[s], 10});
        w.sliderTitle[s]->setHoverDelay();
        hide(w.sliderTitle[s]);
    }
}

constexpr std::int32_t KnobLeftmost = 228;

bool buildSlider(TreeBuilder& build, SliderWidgets& slider, WidgetTexts& texts, int index) {
    const std::int32_t dy = 94 * index;  // slider 2 repeats slider 1 one row lower
    const std::int32_t lineY = 430 + dy;
    if (!build.passiveImage(slider.track, 38, {220, 415 + dy}, true)) return false;
    if (!build.passiveImage(slider.trackEnd, 39, {507, 416 + dy}, true)) return false;
    slider.trackLine = build.line(10.0f, {230, lineY}, {490, lineY}, 0xFF222427u);
    slider.fillBar = build.line(12.0f, {230, lineY}, {KnobLeftmost + 8, lineY}, 0xFF0099FFu);
    slider.fillBar->setHitThrough(true);
    // The knob comes after both lines so that it paints over them.
    if (!build.image(slider.knob, 1, {KnobLeftmost, 421 + dy})) return false;
    slider.knob->setDraggable(true);
    texts.sliderMin[index].assign(u"");
    texts.sliderMax[index].assign(u"");
    texts.sliderValue[index].assign(u"");
    slider.minLabel = build.text({238, 448 + dy}, texts.sliderMin[index].c_str(), {8, 0, Centre});
    slider.maxLabel = build.text({473, 448 + dy}, texts.sliderMax[index].c_str(), {8, 0, Centre});
    slider.valueText = build.text({560, 424 + dy}, texts.sliderValue[index].c_str(), {8, 0, Centre, white(), 1, 1});
    for (View* view : {slider.trackLine, slider.fillBar, slider.knob, slider.minLabel, slider.maxLabel,
                       slider.valueText}) {
        hide(view);
    }
    return true;
}

bool buildHelpImages(TreeBuilder& build, Widgets& w) {
    constexpr Point Upper{225, 310};
    constexpr Point Lower{225, 404};
    struct {
        View*& slot;
        int entry;
        Point at;
    } const images[] = {
        {w.pageHelp[0][0], 24, Upper},          {w.pageHelp[0][1], 46, Lower},
        {w.pageHelp[1][0], 44, Upper},          {w.pageHelp[1][1], 54, Lower},
        {w.pageHelp[2][0], 23, Upper},          {w.pageHelp[3][0], 22, Upper},
        {w.pageHelp[3][1], 22, Lower},          {w.easyModeHelp, 50, {293, 355}},
        {w.advancedModeHelp, 49, {293, 355}},   {w.applyHelp, 51, {219, 535}},
        {w.resetHelp, 48, {338, 535}},
    };
    for (const auto& image : images) {
        if (!build.passiveImage(image.slot, image.entry, image.at, true)) return false;
    }
    return true;
}

bool buildAdvancedMode(TreeBuilder& build, Widgets& w, WidgetTexts& texts, const GpuSlot& slot) {
    if (!build.image(w.profileButton, 33, {30, 627})) return false;
    w.profileButton->setOpacity(0.75f);
    if (!build.passiveImage(w.advancedFrame, 96, {30, 392}, true)) return false;
    if (!build.passiveImage(w.curveChart, 97, {270, 380}, true)) return false;
    buildChartLabels(build, w);
    if (!buildCurveEditor(build, w, texts, slot)) return false;
    if (!buildSliSync(build, w)) return false;
    buildTabs(build, w);
    buildSliderTitles(build, w, slot);
    for (int s = 0; s < SliderCount; ++s) {
        if (!buildSlider(build, w.slider[s], texts, s)) return false;
    }
    w.overclockWarning =
        build.text({228, 374}, u"過度のオーバークロックは自己責任で行ってください", {8, 0, Near, 0x80FF0000u});
    w.overclockWarning->setHitThrough(true);
    hide(w.overclockWarning);
    return buildHelpImages(build, w);
}

// The start-up preset, if any, shows as the selected button.
void markPresetButtons(Widgets& w) {
    const std::int32_t preset = tuning.easySettings;
    if (preset < PresetHighPerformance || preset > PresetEco) return;
    for (int button = 0; button < PresetCount; ++button) {
        w.presetButton[button]->setImageState(button == preset ? ImagePressed : ImageAuto);
    }
}

bool buildBelowRoot(std::FILE* archive, const LayoutInputs& inputs, Widgets& w, WidgetTexts& texts) {
    GpuSlot& slot = inventory.slots[std::clamp(inputs.activeGpu, 0, MaxGpus - 1)];
    for (GpuSlot& gpu : inventory.slots) computeCurveFan(gpu);
    TreeBuilder build(archive, *w.root);
    if (!buildFrame(build, w) || !buildMonitor(build, w, texts)) return false;
    if (inputs.monitorWidgetsReady) inputs.monitorWidgetsReady();
    if (!buildEasyMode(build, w) || !buildAdvancedMode(build, w, texts, slot)) return false;
    markPresetButtons(w);
    return true;
}

}  // namespace

std::unique_ptr<View> buildWidgetTree(std::FILE* archive, const LayoutInputs& inputs, Widgets& w,
                                      WidgetTexts& texts) {
    w = Widgets{};
    std::unique_ptr<View> root = createRootView(archive);
    w.root = root.get();
    if (root != nullptr && buildBelowRoot(archive, inputs, w, texts)) return root;
    w = Widgets{};
    return nullptr;
}

std::uint32_t meterSegmentColour(std::int32_t preset, bool fanRow, int segment) {
    auto rgb = [](int r, int g, int b) { return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b); };
    switch (preset) {
        case PresetHighPerformance: return rgb(229, 6, 6);
        case PresetDefault: return rgb(44, 164, 222);
        case PresetEco: return rgb(141, 194, 31);
        default:
            if (fanRow) return rgb(std::max(204 - 4 * segment, 0), 255 - 4 * segment, std::min(80 + 3 * segment, 255));
            return rgb(std::min(204 + segment, 255), 255 - 4 * segment, 0);
    }
}

}  // namespace vt
