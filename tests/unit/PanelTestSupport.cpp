#include "tests/unit/PanelTestSupport.h"

#include <cstdio>

#include "app/shell/AppWindowHooks.h"
#include "app/panels/CurveEditor.h"
#include "app/ShellState.h"
#include "app/shell/StateReset.h"
#include "app/shell/WindowProcedure.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "platform/Messages.h"
#include "settings/DialogProcedure.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "ui/WidgetLayout.h"

namespace vt::test {
namespace {
constexpr Point ClientOrigin{100, 50};
}  // namespace

PanelTest::PanelTest() {
    lifecycle.wndProcEnabled = 1;
    fake.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
    window = fake.createWindow("VANTRELIS", "Vantrelis", WsPopup, ClientOrigin.x, ClientOrigin.y, 640, 650);
    lifecycle.mainWindow = window;
    fake.clientOrigin = ClientOrigin;
    pointAt({5, 640});  // on the bare background
}

PanelTest::~PanelTest() {
    endMonitoring();
    endTree();
    resetAllState();
}

void PanelTest::endTree() {
    shell.capturedView = nullptr;
    shell.hoveredView = nullptr;
    shell.rootView.reset();
    widgets = Widgets{};
}

void PanelTest::openWindow(const std::vector<std::string>& cards, const std::function<void()>& stored) {
    endTree();
    resetAllState();
    if (stored) stored();
    useCards(cards);
    startUp();
    // The fan ranges, as the monitoring thread's first pass would have read them.
    for (int i = 0; i < inventory.count; ++i) {
        GpuSlot& gpu = inventory.slots[i];
        if (gpu.caps.NewFanInterface) gpu.fan1Min = 30, gpu.fan1Max = 100, gpu.fan2Min = 30, gpu.fan2Max = 100;
    }
    std::FILE* archive = std::fopen(VT_TEST_SKIN_ARCHIVE, "rb");
    ASSERT_NE(archive, nullptr) << VT_TEST_SKIN_ARCHIVE;
    LayoutInputs inputs;
    inputs.activeGpu = currentGpuIndex();
    shell.rootView = buildWidgetTree(archive, inputs, widgets, widgetTexts);
    std::fclose(archive);
    ASSERT_NE(shell.rootView, nullptr);
    installWindowHooks();
    placeCurvePoints();
    lifecycle.initDone = 1;
    tick();  // the first tick starts the panel work
    driver().clearCalls();
    fake.clearCalls();
}

LResult PanelTest::send(std::uint32_t message, WParam wParam, LParam lParam) {
    return mainWindowProcedure(window, message, wParam, lParam);
}

void PanelTest::tick(int times) {
    for (int i = 0; i < times; ++i) send(WmTimer, TIMER_FRAME);
}

void PanelTest::pointAt(Point at) { fake.cursor = {ClientOrigin.x + at.x, ClientOrigin.y + at.y}; }

Point PanelTest::centreOf(const View& view) {
    const Point at = view.position();
    if (view.kind() == KindText) return {at.x + view.width() / 2, at.y + view.height() / 2};
    return {at.x + view.normalImage().width / 2, at.y + view.normalImage().height / 2};
}

void PanelTest::pointAtCentreOf(const View& view) { pointAt(centreOf(view)); }

void PanelTest::moveTo(int x, int y) {
    pointAt(x, y);
    send(WmMouseMove);
}

void PanelTest::pressAt(int x, int y) {
    moveTo(x, y);
    send(WmLButtonDown);
}

void PanelTest::pressOn(const View& view) {
    const Point at = centreOf(view);
    pressAt(at.x, at.y);
}

void PanelTest::releaseButton() { send(WmLButtonUp); }

void PanelTest::click(Point at) {
    pressAt(at.x, at.y);
    tick();
    releaseButton();
    tick();
}

void PanelTest::clickOn(const View& view) { click(centreOf(view)); }

void PanelTest::enterAdvancedModeByClick() {
    fake.dialogButtons[IDD_ADVANCED_WARNING].push_back(1004);
    clickOn(*widgets.advancedModeButton);
}

void PanelTest::clickTab(int page, int answer) {
    if (page == 4) fake.dialogButtons[IDD_CURVE_NOTICE].push_back(answer);
    clickOn(*widgets.tab[page]);
}

int PanelTest::repaints() const { return fake.count("invalidate erase=0"); }

}  // namespace vt::test
