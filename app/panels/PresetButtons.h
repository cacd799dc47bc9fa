// The three easy preset buttons' looks and the preset choice they show.
//
// Whatever picks a preset (a preset button, the tray menu, a profile load,
// a mode switch) marks it here, so that the settings record, the pending and
// shown presets and the buttons' looks always agree.
#pragma once

namespace vt {

// The preset buttons show `preset` selected (image state 1) and the other
// two not; easySettings and the pending and shown presets follow.
void markPresetButtons(int preset);
// No preset button selected.
void releasePresetButtons();
// The tray menu's choice: the same marking.
void choosePreset(int preset);

}  // namespace vt
