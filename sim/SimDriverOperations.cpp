// The driver-wide operations: initialisation, the tracing hooks, enumeration,
// the chipset, and the settings store with its sessions and base profile.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "sim/SimDriver.h"
#include "sim/SimOperations.h"

namespace vt::sim::ops {
namespace {

constexpr std::uint32_t FrameRateLimiter = 0x10835002;
constexpr std::uint32_t HighestFrameRateLimit = 1023;
constexpr std::uint32_t SettingTypeDword = 0;

std::string kv(const char* key, std::int64_t value) { return std::string(key) + "=" + std::to_string(value); }

// The session a handle names, or null.
SimSession* findSession(SimDriver& driver, DrsSession handle) {
    for (auto& [id, session] : driver.sessions) {
        if (sessionHandle(id) == handle) return &session;
    }
    return nullptr;
}

// Set, get and restore need a session that has loaded the settings and the
// base profile that session handed out.
std::int32_t checkProfile(SimDriver& driver, DrsSession session, DrsProfile profile, SimSession*& found) {
    found = findSession(driver, session);
    if (found == nullptr) return StatusInvalidHandle;
    if (!found->loaded) return StatusProfileNotFound;
    for (const auto& [id, candidate] : driver.sessions) {
        if (&candidate == found && profileHandle(id) == profile) return StatusOk;
    }
    return StatusInvalidHandle;
}

std::int32_t enumerate(DriverCall& call, GpuHandle* handles, std::uint32_t* count, bool compute) {
    if (handles == nullptr || count == nullptr) return call.finish(StatusInvalidArgument);
    std::uint32_t found = 0;
    for (std::size_t i = 0; i < call.driver().gpus.size(); ++i) {
        if (call.driver().gpus[i].compute == compute) handles[found++] = gpuHandle(int(i));
    }
    *count = found;
    // The physical list of a machine without a GPU is an error; the compute list may be empty.
    return call.finish(found == 0 && !compute ? StatusDeviceNotFound : StatusOk, kv("count", found));
}

}  // namespace

std::int32_t VT_DRIVER_CALL initialize() {
    std::uint32_t delay = 0;
    {
        SimDriver& driver = simDriver();
        std::lock_guard guard(driver.lock);
        delay = driver.config.initializeDelay;
    }
    // A slow driver start, outside the lock so other calls are not held up by it.
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    DriverCall call("NvAPI_Initialize", DriverCall::Initialization{});
    if (call.refused()) return call.status();
    call.driver().initialized = true;
    return call.finishSet(StatusOk);
}

std::int32_t VT_DRIVER_CALL initializeWithFlags(std::uint32_t flags) {
    DriverCall call("InitializeWithFlags", DriverCall::Initialization{});
    if (call.refused()) return call.status();
    call.driver().initialized = true;
    return call.finishSet(StatusOk, kv("flags", flags));
}

void VT_DRIVER_CALL enterHook(std::uint32_t id, std::uint32_t* scratch) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    // The pair the caller zeroed carries a sequence number to the leave hook.
    const std::uint32_t sequence = ++driver.hookSequence;
    if (scratch != nullptr) {
        scratch[0] = sequence;
        scratch[1] = id ^ 0xA5A5A5A5u;
    }
    driver.hooks.push_back({true, id, sequence, id ^ 0xA5A5A5A5u, 0});
}

void VT_DRIVER_CALL leaveHook(std::uint32_t id, std::uint64_t scratch, std::int32_t result) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.hooks.push_back(
        {false, id, static_cast<std::uint32_t>(scratch), static_cast<std::uint32_t>(scratch >> 32), result});
}

std::int32_t VT_DRIVER_CALL enumPhysicalGpus(GpuHandle* handles, std::uint32_t* count) {
    DriverCall call("NvAPI_EnumPhysicalGPUs");
    if (call.refused()) return call.status();
    return enumerate(call, handles, count, false);
}

std::int32_t VT_DRIVER_CALL enumComputeGpus(GpuHandle* handles, std::uint32_t* count) {
    DriverCall call("EnumComputeGpus");
    if (call.refused()) return call.status();
    return enumerate(call, handles, count, true);
}

std::int32_t VT_DRIVER_CALL getChipsetInfo(void* data) {
    DriverCall call("GetChipsetInfo");
    if (call.refused()) return call.status();
    if (data == nullptr) return call.finish(StatusInvalidArgument);
    Buffer info(data);
    const auto& accepted = call.driver().config.chipsetVersions;
    if (std::find(accepted.begin(), accepted.end(), info.version()) == accepted.end()) {
        return call.finish(StatusIncompatibleStructVersion, "version=" + hexWord(info.version()));
    }
    info.clear(4, info.size());
    info.put32(4, 0x8086);  // vendor
    info.put32(8, 0x7A04);  // device
    return call.finish(StatusOk, "version=" + hexWord(info.version()));
}

// --- the settings store ------------------------------------------------------------

std::int32_t VT_DRIVER_CALL drsCreateSession(DrsSession* session) {
    DriverCall call("NvAPI_DRS_CreateSession");
    if (call.refused()) return call.status();
    if (session == nullptr) return call.finish(StatusInvalidArgument);
    SimDriver& driver = call.driver();
    // The driver has room for a limited number of sessions; a program that
    // forgets to destroy them runs out.
    if (driver.sessions.size() >= MaxSessions) return call.finish(StatusOutOfMemory);
    const std::uintptr_t id = driver.nextSession++;
    driver.sessions[id] = SimSession{};
    *session = sessionHandle(id);
    return call.finish(StatusOk, kv("session", std::int64_t(id)));
}

std::int32_t VT_DRIVER_CALL drsDestroySession(DrsSession session) {
    DriverCall call("NvAPI_DRS_DestroySession");
    if (call.refused()) return call.status();
    SimDriver& driver = call.driver();
    for (auto it = driver.sessions.begin(); it != driver.sessions.end(); ++it) {
        if (sessionHandle(it->first) == session) {
            const std::int64_t id = std::int64_t(it->first);
            driver.sessions.erase(it);
            return call.finish(StatusOk, kv("session", id));
        }
    }
    return call.finish(StatusInvalidHandle);
}

std::int32_t VT_DRIVER_CALL drsLoadSettings(DrsSession session) {
    DriverCall call("NvAPI_DRS_LoadSettings");
    if (call.refused()) return call.status();
    SimSession* found = findSession(call.driver(), session);
    if (found == nullptr) return call.finish(StatusInvalidHandle);
    found->settings = call.driver().savedSettings;
    found->loaded = true;
    return call.finish(StatusOk);
}

std::int32_t VT_DRIVER_CALL drsSaveSettings(DrsSession session) {
    DriverCall call("NvAPI_DRS_SaveSettings");
    if (call.refused()) return call.status();
    SimSession* found = findSession(call.driver(), session);
    if (found == nullptr) return call.finishSet(StatusInvalidHandle);
    if (!found->loaded) return call.finishSet(StatusProfileNotFound);
    call.driver().savedSettings = found->settings;
    return call.finishSet(StatusOk);
}

std::int32_t VT_DRIVER_CALL drsGetBaseProfile(DrsSession session, DrsProfile* profile) {
    DriverCall call("NvAPI_DRS_GetBaseProfile");
    if (call.refused()) return call.status();
    if (profile == nullptr) return call.finish(StatusInvalidArgument);
    for (const auto& [id, candidate] : call.driver().sessions) {
        if (sessionHandle(id) != session) continue;
        if (!candidate.loaded) return call.finish(StatusProfileNotFound);
        *profile = profileHandle(id);
        return call.finish(StatusOk);
    }
    return call.finish(StatusInvalidHandle);
}

std::int32_t VT_DRIVER_CALL drsSetSetting(DrsSession session, DrsProfile profile, void* data) {
    DriverCall call("NvAPI_DRS_SetSetting");
    if (call.refused()) return call.status();
    SimSession* found = nullptr;
    if (const std::int32_t status = checkProfile(call.driver(), session, profile, found); status != StatusOk) {
        return call.finishSet(status);
    }
    if (data == nullptr) return call.finishSet(StatusInvalidArgument);
    const Buffer setting(data);
    if (setting.version() != 0x13020) {
        return call.finishSet(StatusIncompatibleStructVersion, "version=" + hexWord(setting.version()));
    }
    const std::uint32_t id = setting.u32(4100), type = setting.u32(4104), value = setting.u32(8220);
    const std::string values = "setting=" + hexWord(id) + " " + kv("type", type) + " " + kv("value", value);
    if (type != SettingTypeDword || (id == FrameRateLimiter && value > HighestFrameRateLimit)) {
        return call.finishSet(StatusInvalidArgument, values);
    }
    found->settings[id] = value;
    return call.finishSet(StatusOk, values);
}

std::int32_t VT_DRIVER_CALL drsGetSetting(DrsSession session, DrsProfile profile, std::uint32_t id, void* data) {
    DriverCall call("NvAPI_DRS_GetSetting");
    if (call.refused()) return call.status();
    SimSession* found = nullptr;
    const std::string values = "setting=" + hexWord(id);
    if (const std::int32_t status = checkProfile(call.driver(), session, profile, found); status != StatusOk) {
        return call.finish(status, values);
    }
    if (data == nullptr) return call.finish(StatusInvalidArgument, values);
    Buffer setting(data);
    if (setting.version() != 0x13020) return call.finish(StatusIncompatibleStructVersion, values);
    const auto value = found->settings.find(id);
    if (value == found->settings.end()) return call.finish(StatusSettingNotFound, values);
    setting.clear(4, setting.size());
    setting.put32(4100, id);
    setting.put32(4104, SettingTypeDword);
    setting.put32(4116, 1);  // a predefined value exists: 0
    setting.put32(8220, value->second);
    return call.finish(StatusOk, values + " " + kv("value", value->second));
}

// A setting without a value of its own is already at its default.
std::int32_t VT_DRIVER_CALL drsRestoreProfileDefaultSetting(DrsSession session, DrsProfile profile,
                                                            std::uint32_t id) {
    DriverCall call("NvAPI_DRS_RestoreProfileDefaultSetting");
    if (call.refused()) return call.status();
    SimSession* found = nullptr;
    const std::string values = "setting=" + hexWord(id);
    if (const std::int32_t status = checkProfile(call.driver(), session, profile, found); status != StatusOk) {
        return call.finishSet(status, values);
    }
    found->settings.erase(id);
    return call.finishSet(StatusOk, values);
}

}  // namespace vt::sim::ops
