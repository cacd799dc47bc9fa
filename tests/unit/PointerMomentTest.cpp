#include "app/PointerMoment.h"

#include <gtest/gtest.h>

#include "state/Lifecycle.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

class PointerMomentTest : public test::PlatformTest {
protected:
    PointerMomentTest() { fake.clientOrigin = {100, 50}; }
    void pointAt(int x, int y) { fake.cursor = {x, y}; }
};

TEST_F(PointerMomentTest, OutsideAnyMessageEveryCallLooks) {
    pointAt(110, 60);
    EXPECT_EQ(cursorInClient(), (Point{10, 10}));
    pointAt(120, 70);
    EXPECT_EQ(cursorOnScreen(), (Point{120, 70}));
    EXPECT_EQ(fake.cursorReads, 2);
}

TEST_F(PointerMomentTest, OneMessageKeepsItsFirstLook) {
    pointAt(110, 60);
    {
        const PointerMoment moment;
        EXPECT_EQ(cursorInClient(), (Point{10, 10}));
        pointAt(300, 300);  // moved meanwhile: the message still sees its moment
        EXPECT_EQ(cursorOnScreen(), (Point{110, 60}));
        EXPECT_EQ(cursorInClient(), (Point{10, 10}));
    }
    EXPECT_EQ(fake.cursorReads, 1);
    const PointerMoment next;
    EXPECT_EQ(cursorInClient(), (Point{200, 250}));
    EXPECT_EQ(fake.cursorReads, 2);
}

// A message handled inside another (a dialog's loop runs for as long as the
// dialog is open) has a moment of its own, and the outer one looks again after it.
TEST_F(PointerMomentTest, AMessageInsideAnotherLooksAfreshAndSoDoesTheOuterAfterIt) {
    const PointerMoment outer;
    pointAt(110, 60);
    EXPECT_EQ(cursorInClient(), (Point{10, 10}));
    {
        pointAt(150, 90);
        const PointerMoment inner;
        EXPECT_EQ(cursorInClient(), (Point{50, 40}));
        EXPECT_EQ(cursorInClient(), (Point{50, 40}));
        pointAt(160, 95);
    }
    EXPECT_EQ(cursorInClient(), (Point{60, 45}));
    EXPECT_EQ(cursorInClient(), (Point{60, 45}));
    EXPECT_EQ(fake.cursorReads, 3);
}

}  // namespace
}  // namespace vt
