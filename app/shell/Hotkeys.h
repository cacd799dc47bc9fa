// The global hotkeys: Ctrl+Alt+1, 2 and 3 apply the presets highperformance,
// default and eco, Ctrl+Alt+0 resets, whichever program has the focus.
//
// Off until the user turns them on. A combination another program holds is
// left to it and named in a notice, once a run; the others still work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace vt {

struct Hotkey {
    int id;
    std::uint32_t virtualKey;
    const char* name;
    int preset;  // 0..2, or -1 for the reset
};

inline constexpr Hotkey Hotkeys[] = {
    {1, '1', "Ctrl+Alt+1", 0},
    {2, '2', "Ctrl+Alt+2", 1},
    {3, '3', "Ctrl+Alt+3", 2},
    {4, '0', "Ctrl+Alt+0", -1},
};

// Registers the four; returns the names of those another program holds.
std::vector<std::string> registerHotkeys(WindowHandle window);
void unregisterHotkeys(WindowHandle window);
bool hotkeysRegistered();

// WM_HOTKEY: wParam carries the id.
void onHotkey(WParam id);

// The notice text for combinations another program holds.
std::string takenHotkeysNotice(const std::vector<std::string>& taken);

}  // namespace vt
