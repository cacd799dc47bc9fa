#include "driver/DriverBinder.h"

#include <array>
#include <atomic>
#include <mutex>

#include "driver/SystemLibraryLoader.h"
#include "platform/Platform.h"

namespace vt::binder {
namespace {

constexpr int LoadWaits = 10;
constexpr std::uint32_t LoadWaitMilliseconds = 100;
constexpr std::uint32_t InitializeFlags = 1;

// The module handle is published last, with release order, so that a thread
// that sees it also sees the query entry and the initialisation entries.
struct LibrarySlot {
    std::atomic<ModuleHandle> module{nullptr};
    std::atomic<bool> bound{false};
    std::atomic<std::uint8_t> loadInProgress{0};
    std::atomic<bool> ready[2] = {};
    std::atomic<QueryInterfaceFn> query{nullptr};
};

struct Binding {
    LibrarySlot slots[SlotCount];
    std::atomic<InitializeFn> initialize{nullptr};
    std::atomic<InitializeWithFlagsFn> initializeWithFlags{nullptr};
    std::atomic<EnterHookFn> enterHook{nullptr};
    std::atomic<LeaveHookFn> leaveHook{nullptr};
    std::array<std::atomic<void*>, EntryCacheSlots> cache{};
    std::atomic<int> callsInFlight{0};
    std::mutex initializeLock;
    std::atomic<bool> initialized{false};
    std::atomic<int> initializationCount{0};
};

Binding& binding() {
    static Binding state;
    return state;
}

bool validSlot(int slot) { return slot >= 0 && slot < SlotCount; }

template <class Function>
Function lookUp(QueryInterfaceFn query, Operation operation) {
    return reinterpret_cast<Function>(query(interfaceId(operation)));
}

void clearCache(Binding& state) {
    for (auto& entry : state.cache) entry.store(nullptr, std::memory_order_relaxed);
}

DriverStatus bindDriverSlot(Binding& state, QueryInterfaceFn query, int mode) {
    if (mode != ModePlain && mode != ModeWithFlags) return DriverNotReady;
    auto withFlags = lookUp<InitializeWithFlagsFn>(query, Operation::InitializeWithFlags);
    auto plain = lookUp<InitializeFn>(query, Operation::NvAPI_Initialize);
    state.initializeWithFlags.store(withFlags, std::memory_order_relaxed);
    state.initialize.store(plain, std::memory_order_relaxed);
    DriverStatus status = DriverOk;
    if (mode == ModePlain) {
        if (plain == nullptr) return DriverNotReady;
        status = plain();
    } else {
        if (withFlags == nullptr) return DriverNoSuchOperation;
        status = withFlags(InitializeFlags);
    }
    if (status != DriverOk) return status;
    // Tracing hooks are optional; both stay installed when the driver has them.
    state.enterHook.store(lookUp<EnterHookFn>(query, Operation::CallEnterHook), std::memory_order_relaxed);
    state.leaveHook.store(lookUp<LeaveHookFn>(query, Operation::CallLeaveHook), std::memory_order_relaxed);
    return DriverOk;
}

}  // namespace

DriverStatus bind(ModuleHandle module, int slot, int mode) {
    Binding& state = binding();
    if (!validSlot(slot)) return DriverNotReady;
    auto query = reinterpret_cast<QueryInterfaceFn>(platform().findExport(module, SlotQueryExports[slot]));
    if (query == nullptr) return DriverNotReady;
    if (slot == DriverSlot) {
        if (const DriverStatus status = bindDriverSlot(state, query, mode); status != DriverOk) return status;
    }
    state.slots[slot].query.store(query, std::memory_order_relaxed);
    clearCache(state);
    return DriverOk;
}

DriverStatus load(int slot, int mode) {
    if (mode != ModePlain && mode != ModeWithFlags) return DriverNoSuchOperation;
    if (!validSlot(slot)) return DriverNotReady;
    std::uint32_t error = 0;
    ModuleHandle module = loadSystemLibrary(SlotLibraries[slot], LoadLibrarySearchSystem32, error);
    if (module == nullptr) return DriverLibraryMissing;
    if (const DriverStatus status = bind(module, slot, mode); status != DriverOk) {
        platform().freeLibrary(module);
        return status;
    }
    LibrarySlot& target = binding().slots[slot];
    target.bound.store(true, std::memory_order_relaxed);
    target.ready[mode].store(true, std::memory_order_relaxed);
    target.module.store(module, std::memory_order_release);
    return DriverOk;
}

DriverStatus ensureLoaded(int slot, int mode) {
    if (!validSlot(slot)) return DriverNotReady;
    LibrarySlot& target = binding().slots[slot];
    for (int waits = 0;; ++waits) {
        if (target.module.load(std::memory_order_acquire) != nullptr) return DriverOk;
        // Exactly one thread loads; the others wait for it.
        if (target.loadInProgress.exchange(1, std::memory_order_acq_rel) == 0) {
            DriverStatus status = DriverOk;
            if (target.module.load(std::memory_order_acquire) == nullptr) status = load(slot, mode);
            target.loadInProgress.store(0, std::memory_order_release);
            return status;
        }
        if (waits == LoadWaits) return DriverNotReady;
        platform().sleep(LoadWaitMilliseconds);
    }
}

DriverStatus initialize() {
    Binding& state = binding();
    std::lock_guard guard(state.initializeLock);
    CallScope inFlight;
    DriverStatus status = ensureLoaded(DriverSlot, ModePlain);
    if (status == DriverOk && !state.initialized.load(std::memory_order_relaxed)) {
        InitializeFn plain = state.initialize.load(std::memory_order_relaxed);
        status = plain == nullptr ? DriverNotReady : plain();
        if (status == DriverOk) state.initialized.store(true, std::memory_order_relaxed);
    }
    if (status == DriverOk) state.initializationCount.fetch_add(1, std::memory_order_relaxed);
    return status;
}

DriverStatus initializeAgain() {
    binding().initialized.store(false, std::memory_order_relaxed);
    return initialize();
}

void* entryPoint(Operation operation) {
    Binding& state = binding();
    std::atomic<void*>& slot = state.cache[cacheSlot(operation)];
    if (void* cached = slot.load(std::memory_order_relaxed)) return cached;
    QueryInterfaceFn query = state.slots[DriverSlot].query.load(std::memory_order_relaxed);
    if (query == nullptr) return nullptr;
    // Racing threads both ask and store the same answer; a null answer is not
    // kept, so a later call asks again.
    void* entry = query(interfaceId(operation));
    if (entry != nullptr) slot.store(entry, std::memory_order_relaxed);
    return entry;
}

void* cachedEntryPoint(Operation operation) {
    return binding().cache[cacheSlot(operation)].load(std::memory_order_relaxed);
}

int cachedEntryCount() {
    int count = 0;
    for (const auto& entry : binding().cache) count += entry.load(std::memory_order_relaxed) != nullptr;
    return count;
}

int callsInFlight() { return binding().callsInFlight.load(std::memory_order_relaxed); }

ModuleHandle slotModule(int slot) {
    return validSlot(slot) ? binding().slots[slot].module.load(std::memory_order_acquire) : nullptr;
}

bool slotBound(int slot) { return validSlot(slot) && binding().slots[slot].bound.load(std::memory_order_relaxed); }

bool slotReady(int slot, int mode) {
    return validSlot(slot) && (mode == ModePlain || mode == ModeWithFlags) &&
           binding().slots[slot].ready[mode].load(std::memory_order_relaxed);
}

bool initialized() { return binding().initialized.load(std::memory_order_relaxed); }
int initializationCount() { return binding().initializationCount.load(std::memory_order_relaxed); }
bool enterHookInstalled() { return enterHook() != nullptr; }
bool leaveHookInstalled() { return leaveHook() != nullptr; }

EnterHookFn enterHook() { return binding().enterHook.load(std::memory_order_relaxed); }
LeaveHookFn leaveHook() { return binding().leaveHook.load(std::memory_order_relaxed); }

void resetBinding() {
    Binding& state = binding();
    std::lock_guard guard(state.initializeLock);
    for (LibrarySlot& slot : state.slots) {
        if (ModuleHandle module = slot.module.exchange(nullptr, std::memory_order_acq_rel)) {
            platform().freeLibrary(module);
        }
        slot.bound.store(false, std::memory_order_relaxed);
        slot.loadInProgress.store(0, std::memory_order_relaxed);
        for (auto& ready : slot.ready) ready.store(false, std::memory_order_relaxed);
        slot.query.store(nullptr, std::memory_order_relaxed);
    }
    state.initialize.store(nullptr, std::memory_order_relaxed);
    state.initializeWithFlags.store(nullptr, std::memory_order_relaxed);
    state.enterHook.store(nullptr, std::memory_order_relaxed);
    state.leaveHook.store(nullptr, std::memory_order_relaxed);
    clearCache(state);
    state.callsInFlight.store(0, std::memory_order_relaxed);
    state.initialized.store(false, std::memory_order_relaxed);
    state.initializationCount.store(0, std::memory_order_relaxed);
}

CallScope::CallScope() { binding().callsInFlight.fetch_add(1, std::memory_order_relaxed); }
CallScope::~CallScope() { binding().callsInFlight.fetch_sub(1, std::memory_order_relaxed); }

}  // namespace vt::binder
