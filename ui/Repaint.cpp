#include "ui/Repaint.h"

#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt {

void repaint() {
    platform().invalidate(lifecycle.mainWindow, false);
    platform().updateWindow(lifecycle.mainWindow);
}

}  // namespace vt
