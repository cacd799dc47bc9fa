#include "tests/unit/PanelTestSupport.h"

#include <cstdio>

#include "app/AppWindowHooks.h"
#include "app/ShellState.h"
#include "app/StateReset.h"
#include "app/WindowProcedure.h"
#include "gpu/InventoryBuilder.h"
#include "platform/Messages.h"
#include "settings/DialogProcedure.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "ui/WidgetLayout.h"

namespace vt::test {

PanelTest::PanelTest() {
    lifecycle.wndProcEnabled = 1;
    fake.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
    window = fake.createWindow("VANTRELIS", "Vantrelis", WsPopup, 100, 50, 640, 650);
    lifecycle.mainWindow = window;
    fake.clientOrigin = {100, 50};
    pointAt(5, 5);
}

PanelTest::~PanelTest() {
    shell.capturedView = nullptr;
    shell.hoveredView = nullptr;
    shell.rootView.reset();
    widgets = Widgets{};
}

void PanelTest::openWindow(const std::vector<std::string>& cards) {
    // A test may open the window more than once: each time as a new process would.
    shell.capturedView = nullptr;
    shell.hoveredView = nullptr;
    shell.rootView.reset();
    widgets = Widgets{};
    resetAllState();
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
    tick();
    driver().clearCalls();
}

LResult PanelTest::send(std::uint32_t message, WParam wParam, LParam lParam) {
    return mainWindowProcedure(window, message, wParam, lParam);
}

void PanelTest::tick(int times) {
    for (int i = 0; i < times; ++i) send(WmTimer, TIMER_FRAME);
}

void PanelTest::pointAt(int x, int y) { fake.cursor = {100 + x, 50 + y}; }

void PanelTest::moveTo(int x, int y) {
    pointAt(x, y);
    send(WmMouseMove);
}

Point PanelTest::centreOf(const View& view) {
    const Point at = view.position();
    if (view.kind() == KindText) return {at.x + view.width() / 2, at.y + view.height() / 2};
    return {at.x + view.normalImage().width / 2, at.y + view.normalImage().height / 2};
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

void PanelTest::clickOn(const View& view) {
    pressOn(view);
    tick();
    releaseButton();
    tick();
}

void PanelTest::enterAdvancedModeByClick() {
    fake.dialogButtons[DialogAdvancedWarning].push_back(1004);
    clickOn(*widgets.advancedModeButton);
}

void PanelTest::clickTab(int page, int answer) {
    if (page == 4) fake.dialogButtons[DialogFanCurveNotice].push_back(answer);
    clickOn(*widgets.tab[page]);
}

}  // namespace vt::test
