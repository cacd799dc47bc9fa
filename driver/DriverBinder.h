// The binding between the program and the driver's interface library.
//
// The driver is never linked: its library is loaded at run time, one export
// (the query entry) is taken from it, and every operation's function is asked
// for by interface ID the first time it is needed and kept in a cache. This
// is the one process-wide binding; DriverApi's typed operations all go
// through callOperation() below, which also counts the calls in flight and
// runs the driver's tracing hooks when it offers them.
#pragma once

#include <cstdint>
#include <type_traits>

#include "driver/CallLedger.h"
#include "driver/DriverOperations.h"
#include "driver/DriverTypes.h"
#include "platform/Types.h"

namespace vt::binder {

// The driver's interface library: a 64-bit process can only load the
// driver's 64-bit build of it, which carries its own name.
inline constexpr const char* DriverLibraryName = sizeof(void*) == 8 ? "nvapi64.dll" : "nvapi.dll";

// Library slots: 0 is the driver's interface library, 1 its power library,
// which belongs to the binder but is never asked for by the program.
inline constexpr int DriverSlot = 0;
inline constexpr int PowerSlot = 1;
inline constexpr int SlotCount = 2;
inline constexpr const char* SlotLibraries[SlotCount] = {DriverLibraryName, "nvpowerapi.dll"};
inline constexpr const char* SlotQueryExports[SlotCount] = {"nvapi_QueryInterface", "nvapi_pepQueryInterface"};

// Binding modes: 0 plain initialisation, 1 initialisation with flags.
inline constexpr int ModePlain = 0;
inline constexpr int ModeWithFlags = 1;

using QueryInterfaceFn = void*(VT_DRIVER_CALL*)(std::uint32_t id);
using InitializeFn = DriverStatus(VT_DRIVER_CALL*)();
using InitializeWithFlagsFn = DriverStatus(VT_DRIVER_CALL*)(std::uint32_t flags);
using EnterHookFn = void(VT_DRIVER_CALL*)(std::uint32_t id, std::uint32_t* scratch);
// The leave hook takes the 8-byte pair the enter hook filled as one 64-bit
// value. In a 32-bit process that is the same stack as two 32-bit words; in a
// 64-bit process it is one register, and two words would put the result
// where the driver reads the pair's second half.
using LeaveHookFn = void(VT_DRIVER_CALL*)(std::uint32_t id, std::uint64_t scratch, DriverStatus result);

// Waits (10 x 100 ms at most) while another thread loads the slot, then
// loads it unless it is loaded already.
DriverStatus ensureLoaded(int slot, int mode);
// Loads the slot's library from the system folder and binds it.
DriverStatus load(int slot, int mode);
// Takes the query entry, initialises the driver (slot 0), looks up the hooks
// and clears the entry-point cache.
DriverStatus bind(ModuleHandle module, int slot, int mode);
// The program's start-up call: loads and initialises under the lock.
DriverStatus initialize();
// The driver's own initialisation once more: a driver that reset or was
// replaced must be initialised anew before it hands out GPUs.
DriverStatus initializeAgain();

// The function the driver provides for the operation, from the cache or by
// asking the query entry; null when the driver does not provide it.
void* entryPoint(Operation operation);

// --- what tests and diagnostics read ------------------------------------------
void* cachedEntryPoint(Operation operation);
int cachedEntryCount();
int callsInFlight();
ModuleHandle slotModule(int slot);
bool slotBound(int slot);
bool slotReady(int slot, int mode);
bool initialized();
int initializationCount();
bool enterHookInstalled();
bool leaveHookInstalled();

// Frees both libraries and clears every part of the binding: the state of a
// process that has not touched the driver yet.
void resetBinding();

// Counts a call in flight for as long as it lives.
class CallScope {
public:
    CallScope();
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
};

EnterHookFn enterHook();
LeaveHookFn leaveHook();

// One driver operation: count it, make sure the library is bound, find the
// function, run it between the hooks. The argument types are exactly those
// of the driver function.
// The pair as the 8 bytes it is in memory: word 0 is the low half.
inline std::uint64_t scratchPair(const std::uint32_t (&scratch)[2]) {
    return std::uint64_t{scratch[0]} | std::uint64_t{scratch[1]} << 32;
}

template <class First, class... Rest>
constexpr bool firstIsGpuHandle = std::is_same_v<First, GpuHandle>;

template <class... Args>
DriverStatus callOperationUncounted(Operation operation, Args... arguments) {
    CallScope inFlight;
    if (const DriverStatus status = ensureLoaded(DriverSlot, ModePlain); status != DriverOk) return status;
    void* entry = entryPoint(operation);
    if (entry == nullptr) return DriverNoSuchOperation;
    const std::uint32_t id = interfaceId(operation);
    std::uint32_t scratch[2] = {0, 0};
    if (EnterHookFn enter = enterHook()) enter(id, scratch);
    using Function = DriverStatus(VT_DRIVER_CALL*)(Args...);
    const DriverStatus result = reinterpret_cast<Function>(entry)(arguments...);
    if (LeaveHookFn leave = leaveHook()) leave(id, scratchPair(scratch), result);
    return result;
}

// Calls to one GPU (their first argument is its handle) are noted in the
// thread's open ledger, if any.
template <class... Args>
DriverStatus callOperation(Operation operation, Args... arguments) {
    const DriverStatus result = callOperationUncounted(operation, arguments...);
    if constexpr (sizeof...(Args) > 0) {
        if constexpr (firstIsGpuHandle<Args...>) noteGpuCall(result);
    }
    return result;
}

}  // namespace vt::binder
