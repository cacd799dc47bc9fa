// The settings button of the main panel and the settings dialog it opens:
// the dialog only tells which of its buttons closed it on which tab; the
// action behind that runs here, after it has closed.
#pragma once

#include "platform/Types.h"

namespace vt {

enum class SettingsAction { None, SaveProfile, LoadProfile, SystemReport, LoadHistory };

struct SettingsChoice {
    SettingsAction action = SettingsAction::None;
    int age = 0;  // of the history record, for LoadHistory
};

// What a button (0: closed without one) means on the tab that was selected.
SettingsChoice settingsChoiceFor(int button, int tab);
void runSettingsChoice(const SettingsChoice& choice);

// Called by the panel pass on every pass: a press on the button opens the
// dialog on the next pass, once the window has captured the button.
void settingsButtonPass(Point cursor);
// Opens the dialog and carries out what was chosen in it.
void openSettingsDialog();
void resetSettingsButton();

}  // namespace vt
