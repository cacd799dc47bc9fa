// Loads the driver the way the program does and reports what it found, so
// that the end-to-end tests can see which driver library a real process binds.
//
//   drivercheck bind        bind through the driver layer, enumerate, name the
//                           GPUs, read the load through the second load by name
//   drivercheck plainload   load the driver library with the ordinary search (the road
//                           the program never takes), to show what it would find
//
// Every line goes to standard output; the exit code is 0 when the step worked.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "driver/DirectDriverLibrary.h"
#include "driver/DriverApi.h"
#include "driver/DriverBinder.h"
#include "platform/win32/Win32Platform.h"

namespace {

std::string modulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, sizeof path);
    return path;
}

int bind() {
    const vt::DriverStatus status = vt::DriverApi::initialize();
    std::printf("initialize %d\n", status);
    if (status != vt::DriverOk) return 1;
    std::printf("module %s\n", modulePath(reinterpret_cast<HMODULE>(vt::binder::slotModule(0))).c_str());

    vt::GpuHandleList handles{};
    std::uint32_t count = 0;
    std::printf("enumerate %d\n", vt::DriverApi::enumPhysicalGpus(handles, count));
    std::printf("gpus %u\n", count);
    for (std::uint32_t i = 0; i < count && i < handles.size(); ++i) {
        vt::GpuFullName name;
        vt::PciIdentifiers ids;
        vt::DriverApi::getFullName(handles[i], name);
        vt::DriverApi::getPciIdentifiers(handles[i], ids);
        std::printf("gpu%u %08x %s\n", i, ids.deviceId, name.str().c_str());
    }

    vt::DirectDriverLibrary direct;
    if (!direct.open()) {
        std::printf("direct unavailable\n");
        return 1;
    }
    vt::GpuHandleList fresh{};
    std::uint32_t freshCount = 0;
    vt::GpuUsages usages;
    if (direct.enumPhysicalGpus(fresh, freshCount) != vt::DriverOk || freshCount == 0 ||
        direct.getGpuUsages(fresh[0], usages) != vt::DriverOk) {
        std::printf("load unreadable\n");
        return 1;
    }
    std::printf("load %u\n", usages.load());
    return 0;
}

int plainLoad() {
    HMODULE module = LoadLibraryA(vt::binder::DriverLibraryName);
    if (module == nullptr) {
        std::printf("plainload failed %lu\n", GetLastError());
        return 1;
    }
    std::printf("module %s\n", modulePath(module).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    vt::Win32Platform platform(GetModuleHandleA(nullptr));
    vt::setPlatform(&platform);
    const char* command = argc > 1 ? argv[1] : "";
    int result = 2;
    if (std::strcmp(command, "bind") == 0) result = bind();
    else if (std::strcmp(command, "plainload") == 0) result = plainLoad();
    else std::printf("usage: drivercheck bind | plainload\n");
    std::fflush(stdout);
    vt::setPlatform(nullptr);
    return result;
}
