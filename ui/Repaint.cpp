#include "ui/Repaint.h"

#include "state/Lifecycle.h"
#include "platform/Platform.h"

namespace vt {

void repaint() {
    platform().invalidate(lifecycle.mainWindow, false);
    platform().updateWindow(lifecycle.mainWindow);
}

}  // namespace vt
