#include "tools/guard/FanHandBack.h"

#include <cstdio>
#include <vector>

#include "driver/DriverApi.h"
#include "platform/Platform.h"
#include "settings/SafetyFiles.h"

namespace vt::guard {
namespace {

struct DriverGpu {
    GpuHandle handle = nullptr;
    PciIdentifiers ids;
    bool taken = false;
};

std::vector<DriverGpu> driverGpus() {
    std::vector<DriverGpu> gpus;
    if (DriverApi::initialize() != DriverOk) return gpus;
    GpuHandleList handles{};
    std::uint32_t count = 0;
    if (DriverApi::enumPhysicalGpus(handles, count) != DriverOk) return gpus;
    for (std::uint32_t i = 0; i < count && i < handles.size(); ++i) {
        DriverGpu gpu;
        gpu.handle = handles[i];
        if (DriverApi::getPciIdentifiers(gpu.handle, gpu.ids) == DriverOk) gpus.push_back(gpu);
    }
    return gpus;
}

// The first GPU not yet matched with this identity: two cards of one model
// in one machine are told apart by their order.
DriverGpu* find(std::vector<DriverGpu>& gpus, const HeldGpu& held) {
    for (DriverGpu& gpu : gpus) {
        if (!gpu.taken && gpu.ids.deviceId == held.deviceId && gpu.ids.subsystemId == held.subsystemId) return &gpu;
    }
    return nullptr;
}

// As the program's own lines: the GPU's name first. The log folder is the
// program's; it is never made here.
void logLine(const std::string& programFolder, const std::string& line) {
    if (std::FILE* out = std::fopen((programFolder + "/log/log.txt").c_str(), "a")) {
        std::fputs(line.c_str(), out);
        std::fclose(out);
    }
}

}  // namespace

int handHeldFansBack(const std::string& programFolder) {
    const std::string heldPath = programFolder + "/profile/held";
    const std::vector<HeldGpu> held = readHeldFans(heldPath);
    if (held.empty()) return 0;
    std::vector<DriverGpu> gpus = driverGpus();
    int handedBack = 0;
    for (const HeldGpu& wanted : held) {
        DriverGpu* gpu = find(gpus, wanted);
        bool back = false;
        if (gpu != nullptr) {
            gpu->taken = true;
            back = DriverApi::restoreCoolerSettings(gpu->handle, nullptr, 0) == DriverOk;
        }
        logLine(programFolder, wanted.name + ": GUARD: FAN = " + (back ? "AUTO" : "FAILED") + "\n");
        if (back) ++handedBack;
    }
    std::remove(heldPath.c_str());
    return handedBack;
}

}  // namespace vt::guard
