#include "app/panels/ProfileLoads.h"

#include "app/PanelEdit.h"
#include "app/panels/PresetButtons.h"
#include "gpu/ProfileApplication.h"
#include "settings/SettingsHistory.h"
#include "state/TuningSettings.h"

namespace vt {

void followStoredPreset() {
    panel.easyChoice = tuning.easySettings;
    if (tuning.easySettings >= PresetHighPerformance && tuning.easySettings <= PresetEco) {
        markPresetButtons(tuning.easySettings);
    }
}

void loadProfileFile(const std::string& path) {
    applyProfileFile(path);
    followStoredPreset();
    panel.forceRefresh = 1;
}

bool loadHistoryRecord(int age) {
    const bool complete = applyHistoryRecord(historyPath(), age);
    followStoredPreset();
    panel.forceRefresh = 1;
    return complete;
}

}  // namespace vt
