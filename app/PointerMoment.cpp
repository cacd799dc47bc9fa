#include "app/PointerMoment.h"

#include <cstdint>

#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

struct Moment {
    int depth = 0;               // messages being handled, one inside another
    std::uint32_t serial = 0;    // moves on as any of them starts or ends
    bool known = false;
    std::uint32_t knownAt = 0;   // the serial the reading belongs to
    Point screen{};
    Point client{};
} moment;

void look() {
    if (moment.depth > 0 && moment.known && moment.knownAt == moment.serial) return;
    Platform& os = platform();
    moment.screen = os.cursorPosition();
    moment.client = os.screenToClient(lifecycle.mainWindow, moment.screen);
    moment.known = true;
    moment.knownAt = moment.serial;
}

}  // namespace

Point cursorOnScreen() {
    look();
    return moment.screen;
}

Point cursorInClient() {
    look();
    return moment.client;
}

PointerMoment::PointerMoment() {
    moment.depth += 1;
    moment.serial += 1;
}

PointerMoment::~PointerMoment() {
    moment.depth -= 1;
    moment.serial += 1;
}

}  // namespace vt
