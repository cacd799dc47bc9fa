#include "app/panels/SettingsButton.h"

#include "app/panels/PressDialogs.h"
#include "app/panels/SettingsActions.h"
#include "app/ShellState.h"
#include "settings/DialogProcedure.h"
#include "state/Lifecycle.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {


// Tab 1's buttons in the order of the records' ages, newest first; on tab 0
// the first three are save, load and the system report.
constexpr int SlotButtons[6] = {IDC_SLOT_1, IDC_SLOT_2, IDC_SLOT_3, IDC_SLOT_4, IDC_SLOT_5, IDC_SLOT_6};

bool dialogDue = false;

}  // namespace

SettingsChoice settingsChoiceFor(int button, int tab) {
    for (int index = 0; index < 6; ++index) {
        if (SlotButtons[index] != button) continue;
        if (tab == 1) return {SettingsAction::LoadHistory, index + 1};
        if (tab != 0) return {};
        static constexpr SettingsAction FileActions[3] = {SettingsAction::SaveProfile, SettingsAction::LoadProfile,
                                                          SettingsAction::SystemReport};
        return index < 3 ? SettingsChoice{FileActions[index], 0} : SettingsChoice{};
    }
    return {};
}

void runSettingsChoice(const SettingsChoice& choice) {
    switch (choice.action) {
        case SettingsAction::SaveProfile: saveProfileToChosenFile(); break;
        case SettingsAction::LoadProfile: loadProfileFromChosenFile(); break;
        case SettingsAction::SystemReport: saveSystemReport(); break;
        case SettingsAction::LoadHistory: loadHistoryAge(choice.age); break;
        case SettingsAction::None: break;
    }
}

void openSettingsDialog() {
    dialogDue = false;
    const int button = runDialogAfterPress(IDD_SETTINGS, SettingsSlot);
    runSettingsChoice(settingsChoiceFor(button, dialogs.selectedTab));
    lifecycle.modal.slot[SettingsSlot] = 0;
    shell.input.mouseButton = BUTTON_IDLE;
    repaint();
}

void settingsButtonPass(Point cursor) {
    if (dialogDue) openSettingsDialog();
    View* button = widgets.profileButton;
    if (button == nullptr || !button->visible() || button->hitTestSelf(cursor) != button) return;
    shell.handCursor = 1;
    if (shell.input.mouseButton == BUTTON_PRESSED) dialogDue = true;
}

void resetSettingsButton() {
    dialogDue = false;
    forgetChosenFileName();
}

}  // namespace vt
