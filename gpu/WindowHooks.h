// What the GPU operations need from the window above them while they run:
// the application icon, the curve editor, the tray tip, the background
// picture and a repaint.
//
// The window installs these at start-up; until then (and in tests that do not
// care) they do nothing.
#pragma once

#include <cstdint>
#include <functional>

namespace vt {

struct WindowHooks {
    std::function<void(std::uint32_t iconId)> setAppIcon;
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
void hookResetCurveEditor();
void hookRefreshTrayTip();
void hookReloadBackground();
void hookRepaint();

}  // namespace vt
