// Loads a library from the system folder and nowhere else.
//
// A driver library found anywhere else (beside the program, in the current
// folder, on the search path) could be anyone's; loading only the copy in the
// system folder keeps a planted nvapi.dll from ever running inside the
// program. Both the binder and any later load of the driver by name go
// through here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace vt {

// LoadLibraryEx flags this loader uses or clears.
inline constexpr std::uint32_t LoadWithAlteredSearchPath = 0x00000008;
inline constexpr std::uint32_t LoadLibrarySearchSystem32 = 0x00000800;
// Every flag that widens or narrows the search; the loader sets its own.
inline constexpr std::uint32_t LoadLibrarySearchFlags = 0x00003F08;

inline constexpr std::uint32_t ErrorInvalidParameter = 87;

// The signature-support libraries the driver's own checks rely on; they are
// pinned from the system folder before the first driver load.
inline constexpr const char* SignatureSupportLibraries[] = {"msasn1.dll", "cryptnet.dll", "cryptbase.dll"};

// Loads `name` (a bare file name) from the system folder: on build 9200 and
// later by name with the system-folder-only search, before that by the full
// path. Returns null with `error` set when the name has a path in it, when a
// signature-support library failed to load for any reason but being absent,
// or when the library itself cannot be loaded.
ModuleHandle loadSystemLibrary(const std::string& name, std::uint32_t flags, std::uint32_t& error);

// Forgets the once-per-process decisions (version check, preloads) so that a
// test can start from a fresh process's view. Preloaded modules stay loaded.
void resetSystemLibraryLoader();

}  // namespace vt
