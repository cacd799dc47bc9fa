#include "gpu/WindowHooks.h"

namespace vt {

WindowHooks windowHooks;

namespace {
template <class Hook, class... Arguments>
void run(const Hook& hook, Arguments... arguments) {
    if (hook) hook(arguments...);
}
}  // namespace

void hookSetAppIcon(std::uint32_t iconId) { run(windowHooks.setAppIcon, iconId); }
void hookResetCurveEditor() { run(windowHooks.resetCurveEditor); }
void hookRefreshTrayTip() { run(windowHooks.refreshTrayTip); }
void hookReloadBackground() { run(windowHooks.reloadBackground); }
void hookRepaint() { run(windowHooks.repaint); }

}  // namespace vt
