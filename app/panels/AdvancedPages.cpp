#include "app/panels/AdvancedPages.h"

#include <initializer_list>

#include "app/PanelEdit.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

constexpr std::int32_t Bold = 1;

struct Title {
    const char16_t* text;
    std::int32_t width;  // hit width; the height is 10
};

// Per page, the titles of slider 1 and 2; page 0 names offsets only on a GPU
// that takes them.
constexpr Title OffsetTitles[SliderCount] = {{u"GPUクロックオフセット", 122}, {u"メモリークロックオフセット", 144}};
constexpr Title ClockTitles[SliderCount] = {{u"GPUクロック", 68}, {u"メモリークロック", 89}};
constexpr Title PageTitles[PageCount][SliderCount] = {
    {},
    {{u"パワーターゲット", 90}, {u"TEMPターゲット", 86}},
    {{u"FPSターゲット", 78}, {}},
    {{u"FAN回転数1", 64}, {u"FAN回転数2", 64}},
    {},
};

void setShown(View* view, bool shown) {
    if (view != nullptr) view->setVisible(shown);
}

void showSliderGroup(const SliderWidgets& s, bool shown) {
    for (View* view : {s.track, s.trackEnd, s.trackLine, s.fillBar, s.knob, s.minLabel, s.maxLabel, s.valueText}) {
        setShown(view, shown);
    }
}

void showCurveEditor(bool shown) {
    setShown(widgets.curveChart, shown);
    for (View* view : widgets.chartLabel) setShown(view, shown);
    for (View* view : widgets.curveSegment) setShown(view, shown);
    for (View* view : widgets.curvePoint) setShown(view, shown);
    for (View* view : widgets.curveLabel) setShown(view, shown);
}

void hideHelpAndWarning() {
    for (auto& page : widgets.pageHelp) {
        for (View* help : page) setShown(help, false);
    }
    setShown(widgets.overclockWarning, false);
}

// Returns true when the look changed.
bool setEnabled(View* button, bool enabled) {
    if (button == nullptr) return false;
    const float opacity = enabled ? 1.0f : 0.5f;
    if (button->opacity() == opacity && button->hitThrough() == !enabled) return false;
    button->setOpacity(opacity);
    button->setHitThrough(!enabled);
    return true;
}

}  // namespace

int slidersOnPage(int page) {
    switch (page) {
        case ClockPage:
        case PowerPage:
        case FanSpeedPage:
            return 2;
        case FrameRatePage:
            return 1;
        default:
            return 0;
    }
}

void setSliderTitles(int page, const GpuSlot& gpu) {
    if (page < 0 || page >= PageCount) return;
    const Title* titles = PageTitles[page];
    if (page == ClockPage) titles = tunable(gpu) ? OffsetTitles : ClockTitles;
    for (int s = 0; s < SliderCount; ++s) {
        View* view = widgets.sliderTitle[s];
        if (view == nullptr || titles[s].text == nullptr) continue;
        view->setText(titles[s].text, 8, Bold, 0, 0xFFFFFFFFu, titles[s].width, 10);
    }
}

void showPageWidgets(int page, const GpuSlot& gpu) {
    const int sliders = slidersOnPage(page);
    for (int s = 0; s < SliderCount; ++s) {
        showSliderGroup(widgets.slider[s], s < sliders);
        setShown(widgets.sliderTitle[s], s < sliders);
    }
    setSliderTitles(page, gpu);
    showCurveEditor(page == CurvePage);
    hideHelpAndWarning();
}

void hidePageWidgets() {
    for (int s = 0; s < SliderCount; ++s) {
        showSliderGroup(widgets.slider[s], false);
        setShown(widgets.sliderTitle[s], false);
    }
    showCurveEditor(false);
    hideHelpAndWarning();
}

void enableActionButtons(int page, const GpuSlot& gpu) {
    bool apply = true;
    bool reset = true;
    if (page == CurvePage) {
        reset = gpu.caps.FanCurveCapable != 0;
        apply = reset && panel.fanCurveEdited != 0 && panel.curveEditorEnabled != 0;
    } else if (page == FanSpeedPage && gpu.fanCurve == 1) {
        apply = false;
    }
    const bool applyChanged = setEnabled(widgets.applyButton, apply);
    const bool resetChanged = setEnabled(widgets.resetButton, reset);
    if (applyChanged || resetChanged) repaint();
}

}  // namespace vt
