#include "settings/CollectorProgress.h"

#include "platform/Messages.h"
#include "settings/DialogProcedure.h"
#include "state/Lifecycle.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

class CollectorProgressTest : public test::PlatformTest {
protected:
    CollectorProgressTest() {
        fake.registerWindowClass({"MAIN", 0, [](WindowHandle, std::uint32_t, WParam, LParam) -> LResult { return 0; },
                                  nullptr, nullptr});
        lifecycle.mainWindow = fake.createWindow("MAIN", "Vantrelis", WsPopup, 0, 0, 640, 650);
        dialogs.collectorRunning = 1;
        beginCollectorProgress();
        fake.clearCalls();
    }
    ~CollectorProgressTest() override {
        beginCollectorProgress();
        dialogs = {};
        resetLifecycle();
    }
};

// Each case: the start thread's word arrives before the dialog opens, while
// it is open, or not at all; the dialog ends by itself only on a failure.
TEST_F(CollectorProgressTest, FailedStartEndsTheDialogWheneverItIsKnown) {
    struct Case {
        const char* name;
        bool reportBeforeOpening;
        bool reportWhileOpen;
        bool started;
        int endedByItself;
        int posted;
        bool failed;
    } cases[] = {
        {"failure before opening", true, false, false, 1, 0, true},
        {"failure while open", false, true, false, 1, 1, true},
        {"started before opening", true, false, true, 0, 0, false},
        {"started while open", false, true, true, 0, 0, false},
        {"no word at all", false, false, true, 0, 0, false},
    };
    for (const Case& c : cases) {
        beginCollectorProgress();
        fake.clearCalls();
        if (c.reportBeforeOpening) collectorStartOutcome(c.started);
        fake.onDialogOpen = [&](WindowHandle, std::uint32_t) {
            if (c.reportWhileOpen) collectorStartOutcome(c.started);
        };
        showNotice(IDD_PROGRESS);
        EXPECT_EQ(fake.count("endDialog 0"), c.endedByItself) << c.name;
        EXPECT_EQ(fake.count("postMessage 8006"), c.posted) << c.name;
        EXPECT_EQ(endCollectorProgress(), c.failed) << c.name;
    }
}

TEST_F(CollectorProgressTest, LateFailurePostsToNoClosedDialog) {
    showNotice(IDD_PROGRESS);
    endCollectorProgress();
    collectorStartOutcome(false);
    EXPECT_EQ(fake.count("postMessage"), 0);
}

}  // namespace
}  // namespace vt
