#include "app/PressDialogs.h"

#include "app/ShellState.h"
#include "settings/DialogProcedure.h"

namespace vt {

std::int32_t runDialogAfterPress(std::uint32_t templateId, int slot) {
    const std::int32_t result = runSlotDialog(templateId, slot);
    shell.input.mouseButton = BUTTON_IDLE;
    if (shell.capturedView != nullptr) {
        shell.capturedView->setPressed(false);
        shell.capturedView = nullptr;
    }
    return result;
}

}  // namespace vt
