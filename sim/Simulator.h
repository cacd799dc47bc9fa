// The simulated graphics driver: a model of up to six GPUs and of the
// driver's settings store behind one query entry, as nvapi.dll would have.
//
// Host tests register queryInterfaceEntry() as the export of a fake
// nvapi.dll and drive the product's driver layer against it; the Windows
// build wraps the same code in a real 32-bit nvapi.dll (sim/nvapi.cpp). The
// simulator keeps a record of every call, can be told to fail or lack any
// operation, and writes its state as text so that a test can see what reached
// the "hardware".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/DriverTypes.h"
#include "sim/SimConfig.h"
#include "sim/SimGpu.h"

namespace vt::sim {

// One call the driver received: its operation, the GPU it named (-1 for none
// or an unknown handle), the status it answered and what it carried
// ("domain=0 delta=50000").
struct SimCallRecord {
    std::string operation;
    int gpu = -1;
    std::int32_t status = 0;
    std::string values;
    // "SetPstates20 gpu=0 status=0 domain=0 delta=50000"
    std::string text() const;
};

// A call of one of the driver's tracing hooks.
struct SimHookRecord {
    bool enter = false;
    std::uint32_t id = 0;
    std::uint32_t scratch0 = 0;
    std::uint32_t scratch1 = 0;
    std::int32_t result = 0;  // leave hook only
};

class Simulator {
public:
    static Simulator& instance();

    // --- set-up ---------------------------------------------------------------
    // A fresh driver: not initialised, no sessions, nothing saved, an empty
    // call record, time restarted.
    void reset(SimConfig config = defaultConfig());
    bool resetFromText(std::string_view text, std::string& error);
    // The configuration file that VANTRELIS_SIM_CONFIG names (none: one
    // current card); VANTRELIS_SIM_STATE and VANTRELIS_SIM_CALLS name the
    // state file and the call log. A file that cannot be read or parsed
    // leaves a driver whose NvAPI_Initialize fails, with the reason in the
    // state file.
    bool resetFromEnvironment(std::string& error);
    void failOperation(std::string operation, std::int32_t status, int gpu = -1);
    void removeOperation(std::string operation);
    // Every failure set by failOperation or the configuration is gone.
    void clearFailures();
    void editGpu(int index, const std::function<void(SimGpu&)>& change);
    void setStatePath(std::string path);
    // Called as each call begins, before it is answered (nothing when empty).
    // It runs under the driver's lock and must not call the driver.
    void observeCalls(std::function<void(std::string_view operation)> observer);
    void setCallLogPath(std::string path);
    // An event of a real PC, in the events file's words (sim/SimEvents.cpp):
    // "sleep", "reset MS [STATUS]", "update MS [STATUS]", "swap".
    bool event(std::string_view line, std::string& error);

    // --- time -------------------------------------------------------------------
    // From now on time moves only when advance() is called.
    void useManualClock();
    void advance(std::uint32_t milliseconds);

    // --- what tests read --------------------------------------------------------
    int gpuCount() const;
    SimGpu gpu(int index) const;
    GpuHandle handle(int index) const;
    bool initialized() const;
    std::uint32_t driverRelease() const;  // moved on by each update
    std::optional<std::uint32_t> savedSetting(std::uint32_t id) const;
    int openSessions() const;
    std::vector<SimCallRecord> calls() const;
    std::vector<SimCallRecord> calls(std::string_view operation) const;
    int count(std::string_view operation) const;
    void clearCalls();
    std::vector<SimHookRecord> hookRecords() const;
    std::string stateText() const;
    // Writes the state file now; false when there is no path or it cannot be written.
    bool writeState() const;

    // --- the driver's side --------------------------------------------------------
    // What nvapi_QueryInterface answers for an interface ID.
    void* queryInterface(std::uint32_t id) const;

private:
    Simulator();
};

using SimQueryInterface = void*(VT_DRIVER_CALL*)(std::uint32_t id);
// The function a library exports as nvapi_QueryInterface.
SimQueryInterface queryInterfaceEntry();

}  // namespace vt::sim
