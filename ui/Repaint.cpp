#include "ui/Repaint.h"

#include "app/ShellState.h"
#include "platform/Platform.h"

namespace vt {

void repaint() {
    platform().invalidate(shell.mainWindow, false);
    platform().updateWindow(shell.mainWindow);
}

}  // namespace vt
