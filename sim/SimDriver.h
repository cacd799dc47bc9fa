// The simulated driver's whole state and the frame every operation runs in.
// Internal to sim/: tests use Simulator.h.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "driver/DriverTypes.h"
#include "sim/SimConfig.h"
#include "sim/SimStatus.h"
#include "sim/Simulator.h"

namespace vt::sim {

inline constexpr std::size_t MaxSessions = 64;

struct SimSession {
    bool loaded = false;
    std::map<std::uint32_t, std::uint32_t> settings;  // the base profile as this session sees it
};

struct SimDriver {
    mutable std::mutex lock;
    SimConfig config;
    std::vector<SimGpu>& gpus = config.gpus;
    std::string configError;
    bool initialized = false;
    std::map<std::uint32_t, std::uint32_t> savedSettings;  // the base profile as last saved
    std::map<std::uintptr_t, SimSession> sessions;
    std::uintptr_t nextSession = 1;
    std::vector<SimCallRecord> calls;
    std::vector<SimHookRecord> hooks;
    std::uint32_t hookSequence = 0;
    std::int64_t crashCountdown = 0;  // calls of config.crashOperation still to go

    // The events a test sets while the program runs (sleep, a reset, an
    // update): the GPUs as configured, to come back to, and the outage now on.
    std::vector<SimGpu> pristine;
    std::uint32_t generation = 0;  // of the GPU handles: a reset hands out new ones
    std::uint32_t driverRelease = 1;  // an update moves it on
    struct Outage {
        double until = -1;  // seconds of now(); -1: none
        std::int32_t status = StatusError;
        bool swap = false;  // the GPUs come back in the other order
    } outage;
    bool swapAtReturn = false;
    std::string eventsPath;
    std::size_t eventsSeen = 0;  // lines of the events file taken
    double eventsReadAt = -1;
    // Called as each call begins, with the driver's lock held (tests only).
    std::function<void(std::string_view operation)> observer;
    std::string statePath;
    std::string callLogPath;
    // Kept open between calls: a program samples dozens of times a second, and
    // opening the log for every line made the simulator, not the program, a
    // good part of an idle program's cost.
    mutable std::ofstream callLog;

    bool manualClock = false;
    double manualSeconds = 0;
    double startSeconds = 0;  // steady clock at reset
    double modelSeconds = 0;  // how far the model has been moved

    double now() const;
    void catchUp();
    std::string stateText() const;
    void writeStateFile() const;
    void logCall(const SimCallRecord& call) const;
    void useCallLog(std::string path);  // closes the log open before
    int gpuIndex(GpuHandle handle) const;
    // A handle of an earlier generation: one the driver invalidated.
    bool staleHandle(GpuHandle handle) const;
    // New lines of the events file, at most ten times a second; the end of an outage.
    void takeEvents();
    bool event(std::string_view line, std::string& error);
    void endOutage();
    std::int32_t injectedFailure(std::string_view operation, int gpu) const;
};

SimDriver& simDriver();

GpuHandle gpuHandle(int index);  // of the present generation
GpuHandle gpuHandle(int index, std::uint32_t generation);
DrsSession sessionHandle(std::uintptr_t session);
DrsProfile profileHandle(std::uintptr_t session);

// The words of a structure as the driver sees them: the size comes from the
// version word; reads beyond it give 0 and writes beyond it are dropped.
class Buffer {
public:
    explicit Buffer(void* data) : bytes_(static_cast<std::uint8_t*>(data)) {
        if (bytes_ != nullptr) size_ = version() & 0xFFFF;
    }
    std::uint32_t version() const {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes_, 4);  // the first word is always there
        return word;
    }
    std::uint32_t versionNumber() const { return version() >> 16; }
    std::size_t size() const { return size_; }
    std::uint32_t u32(std::size_t offset) const {
        if (offset + 4 > size_) return 0;
        const std::uint8_t* b = bytes_ + offset;
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    std::uint8_t u8(std::size_t offset) const { return offset < size_ ? bytes_[offset] : 0; }
    void put32(std::size_t offset, std::uint32_t value) {
        if (offset + 4 > size_) return;
        std::uint8_t* b = bytes_ + offset;
        b[0] = std::uint8_t(value), b[1] = std::uint8_t(value >> 8), b[2] = std::uint8_t(value >> 16),
        b[3] = std::uint8_t(value >> 24);
    }
    void putI32(std::size_t offset, std::int32_t value) { put32(offset, static_cast<std::uint32_t>(value)); }
    void put8(std::size_t offset, std::uint8_t value) {
        if (offset < size_) bytes_[offset] = value;
    }
    // Zeroes [from, to) within the structure.
    void clear(std::size_t from, std::size_t to) {
        to = to < size_ ? to : size_;
        if (from < to) std::memset(bytes_ + from, 0, to - from);
    }

private:
    std::uint8_t* bytes_;
    std::size_t size_ = 0;
};

// The frame of every driver operation. It holds the driver's lock, brings the
// model up to the present, and checks in order what every call checks: a
// failure the test asked for, the initialisation, the GPU handle. When one of
// those refuses, refused() is true and status() says why.
class DriverCall {
public:
    DriverCall(std::string_view operation, GpuHandle gpu);
    explicit DriverCall(std::string_view operation);
    // NvAPI_Initialize itself: only an injected failure can refuse it.
    struct Initialization {};
    DriverCall(std::string_view operation, Initialization);
    ~DriverCall();
    DriverCall(const DriverCall&) = delete;
    DriverCall& operator=(const DriverCall&) = delete;

    bool refused() const { return refused_; }
    std::int32_t status() const { return status_; }
    SimDriver& driver() { return driver_; }
    SimGpu& gpu() { return driver_.gpus[std::size_t(gpuIndex_)]; }
    int gpuIndex() const { return gpuIndex_; }
    // Whether the GPU's driver accepts a structure's version word; the Set
    // operations accept what their Get operation does.
    bool accepts(std::string_view operation, std::uint32_t version);

    // Records the call and returns its status.
    std::int32_t finish(std::int32_t status, std::string values = {});
    // The same for a call that may change the hardware: the state file is
    // rewritten afterwards.
    std::int32_t finishSet(std::int32_t status, std::string values = {});

private:
    void check(bool needsInitialize, GpuHandle gpu, bool needsGpu);

    SimDriver& driver_;
    std::unique_lock<std::mutex> guard_;
    std::string operation_;
    int gpuIndex_ = -1;
    bool refused_ = false;
    bool finished_ = false;
    std::int32_t status_ = StatusOk;
};

std::string hexWord(std::uint32_t value);

}  // namespace vt::sim
