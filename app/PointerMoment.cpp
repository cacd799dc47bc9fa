#include "app/PointerMoment.h"

#include <cstdint>

#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

struct Moment {
    int depth = 0;              // messages being handled, one inside another
    std::uint32_t serial = 0;   // moves on as any of them starts or ends
    std::uint32_t readAt = 0;   // the serial the reading belongs to; none before the first message
    Point screen{};
    Point client{};
} moment;

void look() {
    if (moment.depth > 0 && moment.readAt == moment.serial) return;
    Platform& os = platform();
    moment.screen = os.cursorPosition();
    moment.client = os.screenToClient(lifecycle.mainWindow, moment.screen);
    moment.readAt = moment.serial;
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
