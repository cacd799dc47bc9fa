#include "driver/SystemLibraryLoader.h"

#include <mutex>
#include <optional>
#include <string_view>

#include "platform/Messages.h"
#include "platform/Platform.h"

namespace vt {
namespace {

struct LoaderState {
    std::mutex lock;
    std::optional<bool> searchFlagAvailable;  // build 9200 or later
    bool preloaded[std::size(SignatureSupportLibraries)] = {};
};

LoaderState& loaderState() {
    static LoaderState state;
    return state;
}

bool hasPath(std::string_view name) { return name.find_first_of("\\/:") != std::string_view::npos; }

// The system-folder-only search flag arrived with Windows 8 (build 9200).
bool systemSearchFlagAvailable(const OsVersion& version) {
    if (version.major != 6) return version.major > 6;
    return version.minor >= 2 || version.build >= 9200;
}

ModuleHandle loadFromSystemFolder(const std::string& name, std::uint32_t flags, bool searchFlag,
                                  std::uint32_t& error) {
    flags &= ~LoadLibrarySearchFlags;
    if (searchFlag) return platform().loadLibrary(name, flags | LoadLibrarySearchSystem32, error);
    const std::string folder = platform().systemDirectory();
    if (folder.empty()) {
        error = ErrorModNotFound;
        return nullptr;
    }
    // Its own dependencies are then looked for beside it, in the system folder.
    return platform().loadLibrary(folder + "\\" + name, flags | LoadWithAlteredSearchPath, error);
}

// An absent support library is acceptable (older systems lack some); any
// other failure means the system folder cannot be trusted to load from.
bool preloadSignatureSupport(LoaderState& state, bool searchFlag, std::uint32_t& error) {
    for (std::size_t i = 0; i < std::size(SignatureSupportLibraries); ++i) {
        if (state.preloaded[i]) continue;
        std::uint32_t failure = 0;
        if (loadFromSystemFolder(SignatureSupportLibraries[i], 0, searchFlag, failure) == nullptr &&
            failure != ErrorModNotFound) {
            error = failure;
            return false;
        }
        state.preloaded[i] = true;
    }
    return true;
}

}  // namespace

ModuleHandle loadSystemLibrary(const std::string& name, std::uint32_t flags, std::uint32_t& error) {
    if (name.empty() || hasPath(name)) {
        error = ErrorInvalidParameter;
        return nullptr;
    }
    LoaderState& state = loaderState();
    std::lock_guard guard(state.lock);
    if (!state.searchFlagAvailable) state.searchFlagAvailable = systemSearchFlagAvailable(platform().osVersion());
    if (!preloadSignatureSupport(state, *state.searchFlagAvailable, error)) return nullptr;
    return loadFromSystemFolder(name, flags, *state.searchFlagAvailable, error);
}

void resetSystemLibraryLoader() {
    LoaderState& state = loaderState();
    std::lock_guard guard(state.lock);
    state.searchFlagAvailable.reset();
    for (bool& done : state.preloaded) done = false;
}

}  // namespace vt
