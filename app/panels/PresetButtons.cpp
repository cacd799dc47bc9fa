#include "app/panels/PresetButtons.h"

#include "app/PanelEdit.h"
#include "state/TuningSettings.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

void setPresetLooks(int selected) {
    for (int preset = 0; preset < PresetCount; ++preset) {
        if (View* button = widgets.presetButton[preset]) button->setImageState(preset == selected ? 1 : 0);
    }
}

}  // namespace

void markPresetButtons(int preset) {
    tuning.easySettings = preset;
    panel.easyChoice = preset;
    panel.shownPreset = preset;
    setPresetLooks(preset);
}

void releasePresetButtons() {
    for (View* button : widgets.presetButton) {
        if (button != nullptr) button->setPressed(false);
    }
    setPresetLooks(-1);
}

void choosePreset(int preset) { markPresetButtons(preset); }

}  // namespace vt
