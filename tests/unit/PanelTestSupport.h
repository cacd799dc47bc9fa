// A fixture for the panels: the simulated cards' inventory, the whole widget
// tree built from the skin archive this build packed, and the main window's
// procedure on the fake platform, so that a test can point, press and tick
// as the user and the timers would.
#pragma once

#include <functional>
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

    // A run as a new process starts it: every piece of state fresh, these
    // card models ("current", "cooler", "legacy", "unlisted"; the first drives
    // the display), their inventory and ranges, the widget tree, and the
    // first frame tick that starts the panel work.
    // `stored` sets what a stored profile would have (run after the reset,
    // before the tree is built).
    void openWindow(const std::vector<std::string>& cards = {"current"}, const std::function<void()>& stored = {});
    // The tree gone again, with every pointer into it.
    void endTree();

    LResult send(std::uint32_t message, WParam wParam = 0, LParam lParam = 0);
    // Frame ticks, each a full panel pass.
    void tick(int times = 1);
    // The pointer at a window point; the next pass sees it there.
    void pointAt(Point at);
    void pointAt(int x, int y) { pointAt(Point{x, y}); }
    void pointAtCentreOf(const View& view);
    // The pointer there, and a mouse move.
    void moveTo(int x, int y);
    // Button down at a point or at the centre of a view, and up again
    // wherever the pointer is.
    void pressAt(int x, int y);
    void pressOn(const View& view);
    void releaseButton();
    // A click as the window gets it: button down, a frame tick, button up, a frame tick.
    void click(Point at);
    void clickOn(const View& view);
    // The press that asks for Advanced Mode, agreed to.
    void enterAdvancedModeByClick();
    // A tab press; for the fan-curve tab the notice is answered with `answer`.
    void clickTab(int page, int answer = 1030);

    static Point centreOf(const View& view);
    int repaints() const;

    WindowHandle window = nullptr;
};

}  // namespace vt::test
