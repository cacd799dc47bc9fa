// A fixture for the panels: the simulated cards' inventory, the whole widget
// tree from the skin archive this build packed, and the main window's
// procedure on the fake platform, so that a test can point, press and tick
// as the user and the timers would.
#pragma once

#include <string>
#include <vector>

#include "platform/Types.h"
#include "tests/unit/GpuTestSupport.h"
#include "ui/View.h"

namespace vt::test {

class PanelTest : public GpuTest {
protected:
    PanelTest();
    ~PanelTest() override;

    // The inventory of these card models ("current", "cooler", "legacy",
    // "unlisted"; the first drives the display) and the tree built for it.
    void startWith(const std::vector<std::string>& models);
    // The tree gone again, with every pointer into it, for the next startWith.
    void endTree();

    LResult send(std::uint32_t message, WParam wParam = 0, LParam lParam = 0);
    // Frame ticks, each a full panel pass.
    void tick(int times = 1);
    // The pointer at a window point; the next pass sees it there.
    void pointAt(Point at);
    void pointAtCentreOf(const View& view);
    // A click as the window gets it: button down, a frame tick, button up, a frame tick.
    void click(Point at);
    int repaints() const;

    WindowHandle window = nullptr;
};

}  // namespace vt::test
