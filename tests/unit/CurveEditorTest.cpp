#include <string>

#include "app/panels/CurveEditor.h"
#include "app/PanelEdit.h"
#include "app/panels/PanelPass.h"
#include "app/ShellState.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// The current card's curve: (30 degrees, 30 %), (60, 50), (80, 85) between
// the end points at 30 % and 85 %.
constexpr Point Start[5] = {{264, 514}, {324, 514}, {384, 474}, {424, 404}, {464, 404}};

TEST(CurveEditorBoxes, EachInnerPointKeepsItsDistanceFromItsNeighbours) {
    struct Case {
        int point;
        DragBox box;
    } const cases[] = {
        {1, {380, 510, 280, 490}}, {2, {420, 510, 340, 420}},
        {3, {460, 470, 400, 420}}, {0, {470, 580, 270, 380}},  // the end points are never dragged
        {4, {470, 580, 270, 380}},
    };
    for (const Case& c : cases) {
        const DragBox box = curvePointBox(c.point, Start);
        EXPECT_EQ(box.xMax, c.box.xMax) << c.point;
        EXPECT_EQ(box.yMax, c.box.yMax) << c.point;
        EXPECT_EQ(box.xMin, c.box.xMin) << c.point;
        EXPECT_EQ(box.yMin, c.box.yMin) << c.point;
    }
}

std::string labelText(int point) {
    std::string out;
    for (char16_t c : std::u16string_view(widgets.curveLabel[point]->text())) {
        if (c == u'℃')
            out += "C";
        else if (c == u'％')
            out += "%";
        else
            out += static_cast<char>(c);
    }
    return out;
}

class CurveEditorTest : public test::PanelTest {
protected:
    void openCurvePage(const std::vector<std::string>& cards = {"current"}) {
        openWindow(cards);
        enterAdvancedModeByClick();
        clickTab(4);
        ASSERT_EQ(lifecycle.activePage, 4);
    }
    View& point(int i) { return *widgets.curvePoint[i]; }
    // Presses on a point and moves the pointer one pixel at a time.
    void dragPoint(int i, Point to) {
        Point at = {point(i).position().x + 6, point(i).position().y + 6};
        pressAt(at.x, at.y);
        tick();
        while (at.x != to.x || at.y != to.y) {
            at.x += at.x < to.x ? 1 : at.x > to.x ? -1 : 0;
            at.y += at.y < to.y ? 1 : at.y > to.y ? -1 : 0;
            moveTo(at.x, at.y);
        }
        tick();
    }
};

TEST_F(CurveEditorTest, PointsStartOnTheGpusCurveAndTheRecordAgrees) {
    openCurvePage();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(point(i).position(), Start[i]) << i;
        EXPECT_EQ(panel.curvePointX[i], Start[i].x) << i;
        EXPECT_EQ(panel.curvePointY[i], Start[i].y) << i;
        EXPECT_EQ(point(i).draggable(), i >= 1 && i <= 3) << i;
    }
}

TEST_F(CurveEditorTest, PointOneNeverGoesLeftOf274NorPointThreeRightOf454) {
    openCurvePage();
    dragPoint(1, {100, 500});
    EXPECT_EQ(point(1).position(), (Point{274, 494}));  // the pointer left the box at x 279
    releaseButton();
    tick();
    dragPoint(3, {620, 410});
    EXPECT_EQ(point(3).position().x, 454);
    EXPECT_EQ(point(3).position().y, 404);  // y 410 lies above point 3's box: that axis stays
}

TEST_F(CurveEditorTest, APointStopsAtItsNeighbourAndResumesWhenThePointerComesBack) {
    openCurvePage();
    dragPoint(2, {300, 480});  // left past point 1 at x 324
    EXPECT_EQ(point(2).position(), (Point{334, 474}));
    EXPECT_EQ(panel.curvePointDrag[1], 1);
    moveTo(360, 480);
    EXPECT_EQ(point(2).position(), (Point{354, 474}));
    releaseButton();
    tick();
    EXPECT_EQ(panel.curvePointDrag[1], 0);
    moveTo(390, 490);
    EXPECT_EQ(point(2).position(), (Point{354, 474}));  // released: it stays
}

TEST_F(CurveEditorTest, ADragMarksTheCurveEditedAndItsSegmentsAndRecordFollow) {
    openCurvePage();
    ASSERT_EQ(panel.fanCurveEdited, 0);
    dragPoint(2, {370, 460});
    EXPECT_EQ(panel.fanCurveEdited, 1);
    const Point at = point(2).position();
    EXPECT_EQ(at, (Point{364, 454}));
    EXPECT_EQ(panel.curvePointX[2], 364);
    EXPECT_EQ(panel.curvePointY[2], 454);
    EXPECT_EQ(widgets.curveSegment[1]->line(), (Rect{330, 520, 369, 459}));
    EXPECT_EQ(widgets.curveSegment[2]->line(), (Rect{370, 460, 429, 409}));
    EXPECT_EQ(widgets.curveSegment[2]->colour(), 0xFF0000FFu);
    EXPECT_EQ(labelText(2), "50 C, 60 %");
}

TEST_F(CurveEditorTest, LabelsReadTheirPointsPositions) {
    openCurvePage();
    struct Case {
        Point at;
        const char* text;
        Point label;
    } const cases[] = {
        {{344, 514}, "40 C, 30 %", {354, 524}},
        {{345, 515}, "41 C, 29 %", {355, 525}},
        {{264, 374}, "0 C, 100 %", {274, 384}},
    };
    for (const Case& c : cases) {
        point(1).moveTo(c.at);
        refreshCurveLabels();
        EXPECT_EQ(labelText(1), c.text);
        EXPECT_EQ(widgets.curveLabel[1]->position(), c.label);
        EXPECT_EQ(widgets.curveLabel[1]->colour(), 0xFFFF641Au);
        EXPECT_EQ(widgets.curveLabel[1]->fontSize(), 7);
        EXPECT_EQ(widgets.curveLabel[1]->fontStyle(), 1);
    }
    EXPECT_EQ(widgets.curveLabel[0]->position(), (Point{264 - 58, 514 - 2}));
    EXPECT_EQ(widgets.curveLabel[4]->position(), (Point{464 + 14, 404 - 2}));
}

TEST_F(CurveEditorTest, OffTheCurvePageOrWithoutACurveNoPointMoves) {
    struct Case {
        std::string card;
        int page;
    } const cases[] = {{"current", 0}, {"current", 3}, {"cooler", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card + " page " + std::to_string(c.page));
        openWindow({c.card});
        enterAdvancedModeByClick();
        lifecycle.activePage = c.page;
        for (View* p : widgets.curvePoint) p->setVisible(true);  // even where a press could reach them
        const Point before = point(2).position();
        dragPoint(2, {before.x + 30, before.y - 30});
        EXPECT_EQ(point(2).position(), before);
        EXPECT_FALSE(point(2).draggable());
        EXPECT_EQ(panel.curvePointDrag[1], 0);
        EXPECT_EQ(panel.fanCurveEdited, 0);
        releaseButton();
    }
}

TEST_F(CurveEditorTest, LeavingTheCurvePageMakesThePointsStill) {
    openCurvePage();
    ASSERT_TRUE(point(2).draggable());
    clickTab(0);
    EXPECT_FALSE(point(2).draggable());
    EXPECT_FALSE(point(2).visible());
}

TEST_F(CurveEditorTest, DragBoxOffTheCurvePageIsTheWholeChart) {
    openCurvePage();
    panel.curvePointDrag[0] = 1;
    const DragBox onCurve = curveDragBox(4);
    EXPECT_EQ(onCurve.xMin, 280);
    const DragBox elsewhere = curveDragBox(0);
    EXPECT_EQ(elsewhere.xMax, 470);
    EXPECT_EQ(elsewhere.yMax, 580);
    EXPECT_EQ(elsewhere.xMin, 270);
    EXPECT_EQ(elsewhere.yMin, 380);
    panel.curvePointDrag[0] = 0;
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST_F(CurveEditorTest, EndPointsTakeTheFanRangeKnownWhenThePageOpens) {
    openWindow();
    // Built before the fan range was read: both ends at 0 %.
    GpuSlot& gpu = inventory.slots[0];
    gpu.curveFan[0] = 0;
    gpu.curveFan[4] = 0;
    gpu.curveFan[2] = 55;  // where the monitoring thread last saw the curve
    enterAdvancedModeByClick();
    clickTab(4);
    EXPECT_EQ(point(0).position(), (Point{264, 514}));  // min(30, fan1Min 30)
    EXPECT_EQ(point(4).position(), (Point{464, 404}));  // min(85, fan1Max 100)
    EXPECT_EQ(point(2).position(), (Point{384, 464}));  // inner points stay
    EXPECT_EQ(widgets.curveSegment[0]->line(), (Rect{270, 520, 329, 519}));
    EXPECT_EQ(widgets.curveSegment[3]->line(), (Rect{430, 410, 469, 409}));
    EXPECT_EQ(labelText(0), "0 C, 30 %");
}

}  // namespace
}  // namespace vt
