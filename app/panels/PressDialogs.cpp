#include "app/panels/PressDialogs.h"

#include "app/ShellState.h"
#include "settings/DialogProcedure.h"
#include "ui/Repaint.h"

namespace vt {

std::int32_t runDialogAfterPress(std::uint32_t templateId, int slot) {
    const std::int32_t result = runSlotDialog(templateId, slot);
    shell.input.mouseButton = BUTTON_IDLE;
    if (shell.capturedView != nullptr) {
        shell.capturedView->setPressed(false);
        shell.capturedView = nullptr;
    }
    // Where the dialog was, the window shows itself again.
    repaint();
    return result;
}

}  // namespace vt
