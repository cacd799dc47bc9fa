#include "app/panels/SliSyncBox.h"

#include "app/ShellState.h"
#include "platform/Messages.h"
#include "state/TuningSettings.h"
#include "tests/unit/PanelTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

class SliSyncBoxTest : public test::PanelTest {
protected:
    void pointAtBox() { pointAtCentreOf(*widgets.sliSyncBox); }
};

TEST_F(SliSyncBoxTest, EachPressTogglesOnceHoweverManyPassesSeeIt) {
    openWindow({"current", "current"});
    ASSERT_EQ(tuning.sliSync, 1);
    ASSERT_EQ(widgets.sliSyncBox->imageState(), 0);  // state 0 shows synchronisation on
    pointAtBox();
    struct Step {
        std::uint32_t message;
        std::int32_t imageState, sliSync;
    } constexpr steps[] = {
        {WmMouseMove, 0, 1},
        {WmLButtonDown, 1, 0},  // the press
        {WmMouseMove, 1, 0},    // still BUTTON_PRESSED: no second toggle
        {WmMouseMove, 1, 0},
        {WmTimer, 1, 0},  // held
        {WmLButtonUp, 1, 0},
        {WmTimer, 1, 0},
        {WmLButtonDown, 0, 1},  // the next press
        {WmMouseMove, 0, 1},
        {WmLButtonUp, 0, 1},
    };
    for (const Step& step : steps) {
        send(step.message, step.message == WmTimer ? TIMER_FRAME : 0);
        EXPECT_EQ(widgets.sliSyncBox->imageState(), step.imageState) << step.message;
        EXPECT_EQ(tuning.sliSync, step.sliSync) << step.message;
    }
}

TEST_F(SliSyncBoxTest, StartsFromTheStoredSettingAndTakesOnlyPressesOnItself) {
    openWindow({"current"}, [] { tuning.sliSync = 0; });
    EXPECT_EQ(widgets.sliSyncBox->imageState(), 1);
    click({widgets.sliSyncLabel->position().x + 30, widgets.sliSyncLabel->position().y + 5});  // the label
    EXPECT_EQ(tuning.sliSync, 0);
    pointAtBox();
    send(WmMouseMove);
    EXPECT_EQ(shell.handCursor, 1);
    EXPECT_EQ(fake.cursorShape(), CursorShape::Hand);
    click({widgets.sliSyncBox->position().x + 2, widgets.sliSyncBox->position().y + 2});
    EXPECT_EQ(tuning.sliSync, 1);
    EXPECT_EQ(widgets.sliSyncBox->imageState(), 0);
    EXPECT_FALSE(widgets.sliSyncBox->pressed());
}

}  // namespace
}  // namespace vt
