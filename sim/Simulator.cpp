#include "sim/Simulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/SimDriver.h"
#include "sim/SimModel.h"

namespace vt::sim {
namespace {

constexpr double ModelStep = 0.1;        // seconds per model step
constexpr double LongestCatchUp = 600;   // a driver idle for longer only replays the last ten minutes

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string readWholeFile(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string hexWord(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string SimCallRecord::text() const {
    std::string line = operation;
    if (gpu >= 0) line += " gpu=" + std::to_string(gpu);
    line += " status=" + std::to_string(status);
    if (!values.empty()) line += " " + values;
    return line;
}

// --- SimDriver ------------------------------------------------------------------

SimDriver& simDriver() {
    static SimDriver driver;
    return driver;
}

GpuHandle gpuHandle(int index, std::uint32_t generation) {
    return reinterpret_cast<GpuHandle>(
        static_cast<std::uintptr_t>(0x4E560000u + 0x1000u * generation + 0x100u * unsigned(index + 1)));
}

GpuHandle gpuHandle(int index) { return gpuHandle(index, simDriver().generation); }

DrsSession sessionHandle(std::uintptr_t session) {
    return reinterpret_cast<DrsSession>(static_cast<std::uintptr_t>(0x5E550000u) + 0x10 * session);
}

DrsProfile profileHandle(std::uintptr_t session) {
    return reinterpret_cast<DrsProfile>(static_cast<std::uintptr_t>(0x5E550008u) + 0x10 * session);
}

double SimDriver::now() const { return manualClock ? manualSeconds : steadySeconds() - startSeconds; }

void SimDriver::catchUp() {
    const double target = now();
    if (target - modelSeconds > LongestCatchUp) modelSeconds = target - LongestCatchUp;
    while (modelSeconds < target) {
        const double dt = std::min(ModelStep, target - modelSeconds);
        modelSeconds += dt;
        for (SimGpu& gpu : gpus) step(gpu, modelSeconds, dt);
    }
}

int SimDriver::gpuIndex(GpuHandle handle) const {
    for (std::size_t i = 0; i < gpus.size(); ++i) {
        if (gpuHandle(int(i)) == handle) return int(i);
    }
    return -1;
}

bool SimDriver::staleHandle(GpuHandle handle) const {
    for (std::uint32_t earlier = 0; earlier < generation; ++earlier) {
        for (std::size_t i = 0; i < gpus.size(); ++i) {
            if (gpuHandle(int(i), earlier) == handle) return true;
        }
    }
    return false;
}

std::int32_t SimDriver::injectedFailure(std::string_view operation, int gpu) const {
    for (const SimFailure& failure : config.failures) {
        if (failure.operation == operation && (failure.gpu < 0 || failure.gpu == gpu)) return failure.status;
    }
    return StatusOk;
}

std::string SimDriver::stateText() const {
    std::ostringstream out;
    out << "# Vantrelis simulated driver\n";
    if (!configError.empty()) out << "configError = " << configError << "\n";
    out << "initialized = " << initialized << "\n";
    out << "gpus = " << gpus.size() << "\n";
    for (std::size_t i = 0; i < gpus.size(); ++i) {
        const SimGpu& gpu = gpus[i];
        const std::string at = "gpu" + std::to_string(i) + ".";
        out << at << "model = " << gpu.model << "\n";
        out << at << "name = " << gpu.name << "\n";
        out << at << "device = " << hexWord(gpu.deviceId) << "\n";
        out << at << "graphicsDelta = " << gpu.graphicsDelta << "\n";
        out << at << "memoryDelta = " << gpu.memoryDelta << "\n";
        out << at << "voltageDelta = " << gpu.voltageDelta << "\n";
        out << at << "dynamicPstates = " << gpu.dynamicPstates << "\n";
        out << at << "pstateLimit = " << gpu.pstateLimit << "\n";
        out << at << "pstate = " << currentPstate(gpu) << "\n";
        out << at << "powerLimit = " << gpu.powerLimit << "\n";
        out << at << "thermalLimit = " << gpu.thermalLimit << "\n";
        out << at << "graphicsClock = " << currentGraphicsClock(gpu) << "\n";
        out << at << "memoryClock = " << currentMemoryClock(gpu) << "\n";
        out << at << "temperature = " << int(gpu.temperature + 0.5) << "\n";
        out << at << "load = " << int(gpu.load + 0.5) << "\n";
        for (std::size_t f = 0; f < gpu.fans.size(); ++f) {
            const SimFan& fan = gpu.fans[f];
            const std::string fanAt = at + "fan" + std::to_string(f + 1) + ".";
            out << fanAt << "manual = " << fan.manual << "\n";
            out << fanAt << "level = " << int(fan.level + 0.5) << "\n";
            out << fanAt << "rpm = " << fanRpm(fan) << "\n";
        }
        for (std::size_t e = 0; e < gpu.curve.size(); ++e) {
            out << at << "curve" << e << " =";
            for (const SimCurvePoint& point : gpu.curve[e].points) {
                out << " " << point.temperature << ":" << point.level << ":" << point.driverValue;
            }
            out << "\n";
        }
    }
    out << "drs.sessions = " << sessions.size() << "\n";
    for (const auto& [id, value] : savedSettings) out << "drs." << hexWord(id) << " = " << value << "\n";
    return out.str();
}

void SimDriver::writeStateFile() const {
    if (statePath.empty()) return;
    // Written aside and renamed, so a reader never sees half a state.
    const std::string partial = statePath + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) return;
        out << stateText();
    }
    std::remove(statePath.c_str());
    std::rename(partial.c_str(), statePath.c_str());
}

void SimDriver::logCall(const SimCallRecord& call) const {
    if (callLogPath.empty()) return;
    if (!callLog.is_open()) callLog.open(callLogPath, std::ios::binary | std::ios::app);
    // Each line reaches the file at once: the tests read it while the program runs.
    callLog << call.text() << "\n" << std::flush;
}

void SimDriver::useCallLog(std::string path) {
    callLog.close();
    callLog.clear();
    callLogPath = std::move(path);
}

// --- DriverCall -----------------------------------------------------------------

DriverCall::DriverCall(std::string_view operation, GpuHandle gpu)
    : driver_(simDriver()), guard_(driver_.lock), operation_(operation) {
    check(true, gpu, true);
}

DriverCall::DriverCall(std::string_view operation) : driver_(simDriver()), guard_(driver_.lock), operation_(operation) {
    check(true, nullptr, false);
}

DriverCall::DriverCall(std::string_view operation, Initialization)
    : driver_(simDriver()), guard_(driver_.lock), operation_(operation) {
    check(false, nullptr, false);
}

void DriverCall::check(bool needsInitialize, GpuHandle gpu, bool needsGpu) {
    if (driver_.observer) driver_.observer(operation_);
    if (!driver_.config.crashOperation.empty() && operation_ == driver_.config.crashOperation &&
        --driver_.crashCountdown == 0) {
        // As a driver that has gone wrong does: a write through a null
        // pointer, one the compiler cannot see is null.
        volatile std::uintptr_t nowhere = 0;
        *reinterpret_cast<volatile std::uint32_t*>(nowhere) = 0xDEAD;
    }
    driver_.catchUp();
    driver_.takeEvents();
    gpuIndex_ = needsGpu ? driver_.gpuIndex(gpu) : -1;
    if (driver_.outage.until >= 0) {
        status_ = driver_.outage.status;
    } else if (const std::int32_t failure = driver_.injectedFailure(operation_, gpuIndex_); failure != StatusOk) {
        status_ = failure;
    } else if (needsGpu && gpuIndex_ < 0 && driver_.staleHandle(gpu)) {
        status_ = StatusHandleInvalidated;
    } else if (needsInitialize && !driver_.initialized) {
        status_ = StatusApiNotInitialized;
    } else if (needsGpu && gpuIndex_ < 0) {
        status_ = StatusExpectedPhysicalGpuHandle;
    }
    refused_ = status_ != StatusOk;
}

DriverCall::~DriverCall() {
    if (!finished_) finish(status_);
}

bool DriverCall::accepts(std::string_view operation, std::uint32_t version) {
    const auto found = gpu().versions.find(std::string(operation));
    if (found == gpu().versions.end()) return false;
    for (std::uint32_t word : found->second) {
        if (word == version) return true;
    }
    return false;
}

std::int32_t DriverCall::finish(std::int32_t status, std::string values) {
    finished_ = true;
    SimCallRecord record{operation_, gpuIndex_, status, std::move(values)};
    driver_.logCall(record);
    driver_.calls.push_back(std::move(record));
    return status;
}

std::int32_t DriverCall::finishSet(std::int32_t status, std::string values) {
    finish(status, std::move(values));
    driver_.writeStateFile();
    return status;
}

// --- Simulator ------------------------------------------------------------------

Simulator::Simulator() { reset(); }

Simulator& Simulator::instance() {
    static Simulator simulator;
    return simulator;
}

void Simulator::reset(SimConfig config) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.config = std::move(config);
    driver.configError.clear();
    driver.initialized = false;
    driver.savedSettings.clear();
    driver.sessions.clear();
    driver.nextSession = 1;
    driver.calls.clear();
    driver.hooks.clear();
    driver.hookSequence = 0;
    driver.crashCountdown = driver.config.crashAfter;
    driver.observer = nullptr;
    driver.manualClock = false;
    driver.manualSeconds = 0;
    driver.startSeconds = steadySeconds();
    driver.modelSeconds = 0;
    driver.pristine = driver.gpus;
    driver.generation = 0;
    driver.driverRelease = 1;
    driver.outage = {};
    driver.swapAtReturn = false;
    driver.eventsSeen = 0;
    driver.eventsReadAt = -1;
    // The fans and the load settle on their first values at once.
    for (SimGpu& gpu : driver.gpus) step(gpu, 0, 0);
}

bool Simulator::resetFromText(std::string_view text, std::string& error) {
    SimConfig config;
    if (!parseConfig(text, config, error)) return false;
    reset(std::move(config));
    return true;
}

bool Simulator::resetFromEnvironment(std::string& error) {
    const std::string configPath = environment("VANTRELIS_SIM_CONFIG");
    bool ok = true;
    if (!configPath.empty()) {
        bool readable = false;
        const std::string text = readWholeFile(configPath, readable);
        if (!readable) {
            error = "cannot read " + configPath;
            ok = false;
        } else {
            ok = resetFromText(text, error);
        }
    }
    if (configPath.empty()) reset();
    if (!ok) {
        // A driver set up wrongly must not pass for a working one.
        SimConfig broken = defaultConfig();
        broken.failures.push_back({"NvAPI_Initialize", StatusError, -1});
        reset(std::move(broken));
    }
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    if (!ok) driver.configError = error;
    driver.statePath = environment("VANTRELIS_SIM_STATE");
    driver.useCallLog(environment("VANTRELIS_SIM_CALLS"));
    driver.eventsPath = environment("VANTRELIS_SIM_EVENTS");
    driver.writeStateFile();
    return ok;
}

void Simulator::failOperation(std::string operation, std::int32_t status, int gpu) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.config.failures.push_back({std::move(operation), status, gpu});
}

void Simulator::clearFailures() {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.config.failures.clear();
}

void Simulator::removeOperation(std::string operation) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.config.missing.insert(std::move(operation));
}

void Simulator::editGpu(int index, const std::function<void(SimGpu&)>& change) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    if (index >= 0 && std::size_t(index) < driver.gpus.size()) change(driver.gpus[std::size_t(index)]);
}

void Simulator::setStatePath(std::string path) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.statePath = std::move(path);
}

void Simulator::setCallLogPath(std::string path) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.useCallLog(std::move(path));
}

void Simulator::useManualClock() {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.manualSeconds = driver.now();
    driver.manualClock = true;
}

void Simulator::advance(std::uint32_t milliseconds) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.manualSeconds += milliseconds / 1000.0;
    driver.catchUp();
}

int Simulator::gpuCount() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    return int(driver.gpus.size());
}

SimGpu Simulator::gpu(int index) const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.catchUp();
    return index >= 0 && std::size_t(index) < driver.gpus.size() ? driver.gpus[std::size_t(index)] : SimGpu{};
}

GpuHandle Simulator::handle(int index) const { return gpuHandle(index); }

bool Simulator::initialized() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    return driver.initialized;
}

std::optional<std::uint32_t> Simulator::savedSetting(std::uint32_t id) const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    const auto found = driver.savedSettings.find(id);
    if (found == driver.savedSettings.end()) return std::nullopt;
    return found->second;
}

int Simulator::openSessions() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    return int(driver.sessions.size());
}

std::vector<SimCallRecord> Simulator::calls() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    return driver.calls;
}

std::vector<SimCallRecord> Simulator::calls(std::string_view operation) const {
    std::vector<SimCallRecord> out;
    for (SimCallRecord& call : calls()) {
        if (call.operation == operation) out.push_back(std::move(call));
    }
    return out;
}

int Simulator::count(std::string_view operation) const { return int(calls(operation).size()); }

void Simulator::clearCalls() {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.calls.clear();
    driver.hooks.clear();
}

void Simulator::observeCalls(std::function<void(std::string_view operation)> observer) {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.observer = std::move(observer);
}

std::vector<SimHookRecord> Simulator::hookRecords() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    return driver.hooks;
}

std::string Simulator::stateText() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    driver.catchUp();
    return driver.stateText();
}

bool Simulator::writeState() const {
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    if (driver.statePath.empty()) return false;
    driver.catchUp();
    driver.writeStateFile();
    std::ifstream check(driver.statePath);
    return static_cast<bool>(check);
}

}  // namespace vt::sim
