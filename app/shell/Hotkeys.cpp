#include "app/shell/Hotkeys.h"

#include "app/panels/ActionButtons.h"
#include "app/shell/Tray.h"
#include "gpu/Apply.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

bool registered[std::size(Hotkeys)] = {};

}  // namespace

std::vector<std::string> registerHotkeys(WindowHandle window) {
    std::vector<std::string> taken;
    for (std::size_t i = 0; i < std::size(Hotkeys); ++i) {
        if (registered[i]) continue;
        registered[i] = platform().registerHotKey(window, Hotkeys[i].id, ModControl | ModAlt, Hotkeys[i].virtualKey);
        if (!registered[i]) taken.emplace_back(Hotkeys[i].name);
    }
    return taken;
}

void unregisterHotkeys(WindowHandle window) {
    for (std::size_t i = 0; i < std::size(Hotkeys); ++i) {
        if (registered[i]) platform().unregisterHotKey(window, Hotkeys[i].id);
        registered[i] = false;
    }
}

bool hotkeysRegistered() {
    for (bool one : registered) {
        if (one) return true;
    }
    return false;
}

void onHotkey(WParam id) {
    if (lifecycle.running != 1 || lifecycle.closing != 0 || lifecycle.modal.anyOpen()) return;
    for (const Hotkey& key : Hotkeys) {
        if (static_cast<WParam>(key.id) != id) continue;
        // A key held down repeats: one apply per press, not one per repeat.
        if (applySettling()) return;
        const WindowStaysInTray quietly;
        if (key.preset >= 0) {
            applyPresetNow(key.preset);
        } else {
            resetWithoutAsking();
        }
        return;
    }
}

std::string takenHotkeysNotice(const std::vector<std::string>& taken) {
    std::string names;
    for (const std::string& name : taken) names += (names.empty() ? "" : "、") + name;
    return "ホットキー " + names + " はほかのプログラムが使っているため使えません。ほかのホットキーは使えます。";
}

}  // namespace vt
