#include "app/panels/GpuList.h"

#include <string>

#include "app/panels/MonitorPanel.h"
#include "app/PanelEdit.h"
#include "app/panels/ShownGpu.h"
#include "app/ShellState.h"
#include "gpu/Monitor.h"
#include "platform/Messages.h"
#include "state/GpuInventory.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

constexpr std::uint32_t Normal = 0x40FFFFFFu;
constexpr std::uint32_t Selected = 0xBEFFFFFFu;
constexpr std::uint32_t Hovered = 0xFFFFFFFFu;

class GpuListTest : public test::PanelTest {
protected:
    void pointAtItem(int item) { pointAtCentreOf(*widgets.gpuItem[item]); }
    static std::uint32_t itemColour(int item) { return widgets.gpuItem[item]->colour(); }
    static Point inside(const View& item) { return {item.position().x + 10, item.position().y + 5}; }
    bool handCursor() const { return shell.handCursor == 1; }
};

TEST_F(GpuListTest, HoldingTheButtonOnANameSelectsItsGpuOnce) {
    openWindow({"current", "cooler"});
    pointAtItem(1);
    send(WmMouseMove);
    EXPECT_EQ(gpuItemLook(1), ItemHovered);
    EXPECT_EQ(itemColour(1), Hovered);
    EXPECT_TRUE(handCursor());

    send(WmLButtonDown);
    EXPECT_EQ(tuning.selectedGpu, 1);
    EXPECT_EQ(gpuItemLook(1), ItemPressed);
    EXPECT_EQ(itemColour(1), Selected);
    // Held for many passes: nothing more is selected or redone (the curve
    // editor, placed for the new GPU once, is not placed again).
    widgets.curvePoint[1]->moveTo({300, 500});
    tick(20);
    send(WmMouseMove);
    EXPECT_EQ(widgets.curvePoint[1]->position(), (Point{300, 500}));
    EXPECT_EQ(gpuItemLook(1), ItemPressed);

    send(WmLButtonUp);
    tick();
    EXPECT_EQ(gpuItemLook(1), ItemHovered);
    pointAt({5, 640});
    tick();
    EXPECT_EQ(gpuItemLook(1), ItemSelected);
    EXPECT_EQ(itemColour(1), Selected);
    EXPECT_EQ(gpuItemLook(0), ItemNormal);
    EXPECT_EQ(itemColour(0), Normal);
    EXPECT_FALSE(handCursor());
}

TEST_F(GpuListTest, EmptyItemsDoNotReact) {
    openWindow({"current"});
    for (int item = 1; item < MaxGpus; ++item) {
        pointAtItem(item);
        send(WmMouseMove);
        send(WmLButtonDown);
        tick();
        send(WmLButtonUp);
        tick();
        EXPECT_EQ(tuning.selectedGpu, 0) << item;
        EXPECT_EQ(std::u16string(widgets.gpuItem[item]->text()), u"- empty -");
        EXPECT_EQ(itemColour(item), Normal) << item;
        EXPECT_FALSE(handCursor()) << item;
    }
}

TEST_F(GpuListTest, TheCursorIsAHandOverAName) {
    openWindow({"current", "cooler"});
    pointAtItem(1);
    send(WmMouseMove);
    EXPECT_EQ(fake.cursorShape(), CursorShape::Hand);
    pointAt({5, 640});
    send(WmMouseMove);
    EXPECT_EQ(fake.cursorShape(), CursorShape::Arrow);
}

TEST_F(GpuListTest, ReadoutsSwitchOnceTheNewGpuIsSampled) {
    openWindow({"current", "cooler"});
    for (int gpu : {0, 1}) driver().editGpu(gpu, [](sim::SimGpu& card) { card.fixedLoad = 100; });
    driver().advance(3000);  // both at full clocks
    monitoringPass();
    send(WmTimer, TIMER_REFRESH);
    const std::u16string firstClock(widgetTexts.monitorValue[RowGpuClock].view());
    EXPECT_FALSE(widgets.monitorLabel[RowFan]->visible());  // two fans, one by one

    click(inside(*widgets.gpuItem[1]));
    EXPECT_EQ(tuning.selectedGpu, 1);
    EXPECT_EQ(shownGpuIndex(), 1);
    // Until the monitoring thread has sampled it the first GPU's readouts stay.
    EXPECT_EQ(std::u16string(widgetTexts.monitorValue[RowGpuClock].view()), firstClock);

    monitoringPass();
    EXPECT_EQ(monitor.meters.sampledGpu(), 1);
    tick();
    const std::u16string secondClock(widgetTexts.monitorValue[RowGpuClock].view());
    EXPECT_NE(secondClock, firstClock) << std::string(firstClock.begin(), firstClock.end());
    EXPECT_TRUE(secondClock.ends_with(u"MHz\n"));
    EXPECT_TRUE(widgets.monitorLabel[RowFan]->visible());  // the single cooler's row
    // The meters are the second GPU's too: the monitoring pass wrote them.
    EXPECT_EQ(widgets.meterSegment[RowFan][0]->visible(), true);
}

TEST_F(GpuListTest, ASelectionChangedByAProfileLoadIsFollowedToo) {
    openWindow({"current", "unlisted"});
    tick();
    tuning.selectedGpu = 1;
    tick();
    EXPECT_EQ(shownGpuIndex(), 1);
    EXPECT_EQ(gpuItemLook(1), ItemSelected);
    EXPECT_EQ(gpuItemLook(0), ItemNormal);
}

// In Advanced Mode the sliders show the selected GPU's values once it has
// been sampled, not the values the last GPU left in the settings record.
TEST_F(GpuListTest, SlidersTakeTheNewGpusValuesOnceItIsSampled) {
    openWindow({"current", "cooler"});
    driver().editGpu(1, [](sim::SimGpu& card) { card.graphicsDelta = 40000; });
    monitoringPass();
    enterAdvancedModeByClick();
    tick();
    EXPECT_EQ(panel.gpuOffsetEdit, 0.0f);
    click(inside(*widgets.gpuItem[1]));
    monitoringPass();
    tick();
    EXPECT_EQ(panel.gpuOffsetEdit, 40.0f);
}

TEST_F(GpuListTest, TheCurveEditorFollowsTheSelectedGpusCurve) {
    openWindow({"current", "current"});
    // The second card's own curve, further to the right.
    inventory.slots[1].curveTemp[0] = 50;
    inventory.slots[1].curveTemp[1] = 75;
    inventory.slots[1].curveTemp[2] = 95;
    const Point before = widgets.curvePoint[1]->position();
    panel.fanCurveEdited = 1;  // an edit of the first card's curve, not applied
    click(inside(*widgets.gpuItem[1]));
    EXPECT_NE(widgets.curvePoint[1]->position(), before);
    EXPECT_EQ(panel.curvePointX[1], widgets.curvePoint[1]->position().x);
    EXPECT_EQ(panel.fanCurveEdited, 0);
}

}  // namespace
}  // namespace vt
