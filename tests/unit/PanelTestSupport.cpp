#include "tests/unit/PanelTestSupport.h"

#include <cstdio>

#include "app/EasyPanel.h"
#include "app/GpuList.h"
#include "app/MonitorPanel.h"
#include "app/ShellState.h"
#include "app/SliSyncBox.h"
#include "app/WindowProcedure.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "platform/Messages.h"
#include "state/Lifecycle.h"
#include "ui/WidgetLayout.h"

namespace vt::test {
namespace {

constexpr Point ClientOrigin{100, 50};

void resetPanels() {
    resetGpuList();
    resetEasyPanel();
    resetSliSyncBox();
    for (MonitorTexts& texts : monitorTexts) texts = MonitorTexts{};
}

}  // namespace

PanelTest::PanelTest() {
    resetPanels();
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
    resetPanels();
}

void PanelTest::endTree() {
    shell.hoveredView = nullptr;
    shell.capturedView = nullptr;
    shell.rootView.reset();
    widgets = Widgets{};
}

void PanelTest::startWith(const std::vector<std::string>& models) {
    useCards(models);
    startUp();
    std::FILE* archive = std::fopen(VT_TEST_SKIN_ARCHIVE, "rb");
    ASSERT_NE(archive, nullptr) << VT_TEST_SKIN_ARCHIVE;
    LayoutInputs inputs;
    inputs.activeGpu = currentGpuIndex();
    shell.rootView = buildWidgetTree(archive, inputs, widgets, widgetTexts);
    std::fclose(archive);
    ASSERT_NE(shell.rootView, nullptr);
    lifecycle.initDone = 1;
    send(WmTimer, TIMER_FRAME);  // the first tick starts the panel work
    fake.clearCalls();
}

LResult PanelTest::send(std::uint32_t message, WParam wParam, LParam lParam) {
    return mainWindowProcedure(window, message, wParam, lParam);
}

void PanelTest::tick(int times) {
    for (int i = 0; i < times; ++i) send(WmTimer, TIMER_FRAME);
}

void PanelTest::pointAt(Point at) { fake.cursor = {ClientOrigin.x + at.x, ClientOrigin.y + at.y}; }

void PanelTest::pointAtCentreOf(const View& view) {
    const Point at = view.position();
    const std::int32_t width = view.kind() == KindText ? view.width() : view.normalImage().width;
    const std::int32_t height = view.kind() == KindText ? view.height() : view.normalImage().height;
    pointAt({at.x + width / 2, at.y + height / 2});
}

void PanelTest::click(Point at) {
    pointAt(at);
    send(WmMouseMove);
    send(WmLButtonDown);
    tick();
    send(WmLButtonUp);
    tick();
}

int PanelTest::repaints() const { return fake.count("invalidate erase=0"); }

}  // namespace vt::test
