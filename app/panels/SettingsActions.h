// What the settings dialog's buttons do once it has closed: save the profile
// to a file, load one, write a system-information report, load a record of
// the settings history. Each asks for its file with the common file dialog
// and tells the user with an error notice when it could not do its work.
#pragma once

namespace vt {

void saveProfileToChosenFile();
void loadProfileFromChosenFile();
void saveSystemReport();
// Age 1 is the newest record.
void loadHistoryAge(int age);

// The file dialogs offer the last chosen name again, within one run.
void forgetChosenFileName();

}  // namespace vt
