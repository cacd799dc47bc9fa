#include "app/panels/PageTabs.h"

#include "app/panels/AdvancedPages.h"
#include "app/panels/CurveEditor.h"
#include "app/panels/HoverHelp.h"
#include "app/PanelEdit.h"
#include "app/panels/PressDialogs.h"
#include "app/ShellState.h"
#include "app/panels/ShownGpu.h"
#include "settings/DialogProcedure.h"
#include "state/Lifecycle.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

enum TabLook { LookNormal = 0, LookSelected = 1, LookHovered = 2, LookActivated = 3, LookUnknown = -1 };

constexpr std::uint32_t LookColour[] = {0x40FFFFFFu, 0xBEFFFFFFu, 0xFFFFFFFFu, 0xBEFFFFFFu};
constexpr std::uint32_t UnavailableColour = 0x10FFFFFFu;

struct TabBar {
    int look[TabCount] = {LookSelected, LookNormal, LookNormal, LookNormal, LookNormal};
    bool curveTabUnavailable = false;  // drawn faint
    bool curveNoticeDue = false;       // the fan-curve tab was pressed
    int pageBeforeCurve = 0;
    int titledGpu = -1;  // the GPU the slider titles were set for
} bar;

void setTabText(int page, std::uint32_t colour) {
    View& tab = *widgets.tab[page];
    tab.setText(tab.text(), 8, 0, 0, colour, 150, 10);
}

void setLook(int page, int look) {
    if (bar.look[page] == look) return;
    bar.look[page] = look;
    setTabText(page, LookColour[look]);
    repaint();
}

void showUnavailableCurveTab() {
    if (bar.curveTabUnavailable && bar.look[CurvePage] == LookNormal) return;
    bar.curveTabUnavailable = true;
    bar.look[CurvePage] = LookNormal;
    setTabText(CurvePage, UnavailableColour);
    repaint();
}

void showPage(int page) {
    const GpuSlot& gpu = shownGpu();
    showPageWidgets(page, gpu);
    bar.titledGpu = shownGpuIndex();
    lifecycle.activePage = page;
}

void activate(int page) {
    bar.look[page] = LookActivated;
    setTabText(page, LookColour[LookActivated]);
    const int previous = lifecycle.activePage;
    showPage(page);
    if (page == CurvePage) {
        // The editor starts from the GPU's curve; the notice comes on the next
        // pass, once the window has captured the tab this press is on.
        layOutCurveEditor();
        panel.fanCurveEdited = 0;
        bar.pageBeforeCurve = previous;
        bar.curveNoticeDue = true;
    } else {
        panel.curveEditorEnabled = 0;
    }
    repaint();
}

void confirmCurvePage() {
    bar.curveNoticeDue = false;
    if (runDialogAfterPress(IDD_CURVE_NOTICE, CurveNoticeSlot) == IDC_CURVE_NOTICE_OK) {
        panel.curveEditorEnabled = 1;
        return;
    }
    const int back = bar.pageBeforeCurve;
    if (back == CurvePage) return;
    setLook(CurvePage, LookNormal);
    showPage(back);
    setLook(back, LookSelected);
    repaint();
}

void stepTab(int page, Point cursor, const GpuSlot& gpu) {
    if (page == CurvePage) {
        if (!gpu.caps.FanCurveCapable) {
            showUnavailableCurveTab();
            return;
        }
        if (bar.curveTabUnavailable) {
            bar.curveTabUnavailable = false;
            bar.look[CurvePage] = LookUnknown;
        }
    }
    View& tab = *widgets.tab[page];
    if (tab.hitTestSelf(cursor) != &tab) {
        setLook(page, lifecycle.activePage == page ? LookSelected : LookNormal);
        return;
    }
    shell.handCursor = 1;
    // An activated tab keeps its look while the pointer stays: a second press
    // does not build its page again.
    if (shell.input.mouseButton == BUTTON_PRESSED) {
        if (bar.look[page] != LookActivated) activate(page);
    } else if (bar.look[page] != LookActivated) {
        setLook(page, LookHovered);
    }
}

void stepPageHelp(Point cursor) {
    const int page = lifecycle.activePage;
    if (page < 0 || page >= PageCount) return;
    for (int s = 0; s < SliderCount; ++s) {
        View* title = widgets.sliderTitle[s];
        if (title == nullptr) continue;
        title->hitTestSelf(cursor);
        stepHoverHelp(title, widgets.pageHelp[page][s]);
    }
}

bool tabsBuilt() {
    for (View* tab : widgets.tab) {
        if (tab == nullptr) return false;
    }
    return true;
}

}  // namespace

void pageTabsPass(Point cursor) {
    if (panel.advancedMode != 1 || !tabsBuilt()) return;
    if (bar.curveNoticeDue) confirmCurvePage();
    const GpuSlot& gpu = shownGpu();
    // Page 0's titles name offsets only for a GPU that takes them.
    if (bar.titledGpu != shownGpuIndex()) {
        setSliderTitles(lifecycle.activePage, gpu);
        bar.titledGpu = shownGpuIndex();
    }
    for (int page = 0; page < TabCount; ++page) stepTab(page, cursor, gpu);
    stepPageHelp(cursor);
}

void markSelectedTab(int page) {
    if (!tabsBuilt()) return;
    bar.curveTabUnavailable = false;
    for (int tab = 0; tab < TabCount; ++tab) {
        bar.look[tab] = tab == page ? LookSelected : LookNormal;
        setTabText(tab, LookColour[bar.look[tab]]);
    }
    if (!shownGpu().caps.FanCurveCapable) showUnavailableCurveTab();
}

void resetPageTabs() { bar = TabBar{}; }

}  // namespace vt
