#include "tests/fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt::fuzz {
namespace {

// Memory-backed when the machine has it: the targets write a file per input.
std::filesystem::path scratchRoot() {
    std::error_code ignored;
    if (std::filesystem::is_directory("/dev/shm", ignored)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

struct ProcessFolder {
    std::filesystem::path path;
    ProcessFolder() {
        path = scratchRoot() / ("vantrelis-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ProcessFolder() {
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

FakePlatform& fuzzPlatform() {
    static ProcessFolder folder;
    static FakePlatform fake;
    static const bool installed = [] {
        fake.instantSleep = true;
        fake.fixedClock = true;
        setPlatform(&fake);
        lifecycle.programFolder = folder.path.string();
        return true;
    }();
    (void)installed;
    fake.clearCalls();
    return fake;
}

void writeInputFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return;
    if (size > 0) std::fwrite(data, 1, size, out);
    std::fclose(out);
}

}  // namespace vt::fuzz
