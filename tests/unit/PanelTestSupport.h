// A fixture for the panels: the main window on the fake platform with the
// whole widget tree built from the skin archive this build packed, the
// simulated driver behind it, and the window procedure driven message by
// message with the pointer where a test puts it.
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

    // The cards, the inventory and its ranges, the widget tree, and the
    // first frame tick that starts the panel work.
    void openWindow(const std::vector<std::string>& cards = {"current"});

    LResult send(std::uint32_t message, WParam wParam = 0, LParam lParam = 0);
    void tick(int times = 1);
    // The pointer at (x, y) in window pixels, and a mouse move there.
    void pointAt(int x, int y);
    void moveTo(int x, int y);
    // Button down at the centre of a view, and up again wherever the pointer is.
    void pressOn(const View& view);
    void pressAt(int x, int y);
    void releaseButton();
    // Down, a frame tick, up, a frame tick: a click as the window sees it.
    void clickOn(const View& view);
    // The press that asks for Advanced Mode, agreed to.
    void enterAdvancedModeByClick();
    // A tab press; for the fan-curve tab the notice is answered with `answer`.
    void clickTab(int page, int answer = 1030);

    static Point centreOf(const View& view);

    WindowHandle window = nullptr;
};

}  // namespace vt::test
