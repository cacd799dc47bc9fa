// What the GPU operations need from the window above them: the application
// icon, the looks of a few buttons and the curve editor, and a repaint.
//
// The window installs these at start-up; until then (and in tests that do not
// care) they do nothing.
#pragma once

#include <cstdint>
#include <functional>

namespace vt {

struct WindowHooks {
    std::function<void(std::uint32_t iconId)> setAppIcon;
    std::function<void()> releasePresetButtons;
    // The button the user pressed before a modal dialog took the mouse.
    std::function<void()> releaseCapturedButton;
    std::function<void()> animateApplyButton;
    // Puts the curve editor's points back on the GPU's stored curve.
    std::function<void()> resetCurveEditor;
    std::function<void()> refreshTrayTip;
    // The root view shows the picture `tuning.backScreen` names.
    std::function<void()> reloadBackground;
    std::function<void()> repaint;
};

extern WindowHooks windowHooks;

// Each runs its hook when one is installed.
void hookSetAppIcon(std::uint32_t iconId);
void hookReleasePresetButtons();
void hookReleaseCapturedButton();
void hookAnimateApplyButton();
void hookResetCurveEditor();
void hookRefreshTrayTip();
void hookReloadBackground();
void hookRepaint();

}  // namespace vt
