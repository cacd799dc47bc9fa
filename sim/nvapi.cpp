// The simulated driver as a 32-bit nvapi.dll: one export, nvapi_QueryInterface,
// exactly as the real library has it. The test scripts put it in the Wine
// prefix's 32-bit system folder, where the program's loader finds it.
#include <cstdint>
#include <mutex>
#include <string>

#include "sim/Simulator.h"

extern "C" __declspec(dllexport) void* VT_DRIVER_CALL nvapi_QueryInterface(std::uint32_t id) {
    // Set up from the environment when the program first asks for anything.
    static std::once_flag configured;
    std::call_once(configured, [] {
        std::string error;
        vt::sim::Simulator::instance().resetFromEnvironment(error);
    });
    return vt::sim::Simulator::instance().queryInterface(id);
}
