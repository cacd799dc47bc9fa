// The simulated driver as the driver's library (nvapi.dll, or nvapi64.dll in
// the 64-bit build): one export, nvapi_QueryInterface, exactly as the real
// library has it. The test scripts put it in the Wine prefix's system folder
// for its width, where the program's loader finds it.
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
