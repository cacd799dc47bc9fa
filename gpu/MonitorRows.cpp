#include "gpu/MonitorRows.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/Platform.h"
#include "platform/Utf8.h"
#include "settings/MonitorLog.h"
#include "state/GpuInventory.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

// Made once and kept to the end of the process: the monitoring thread may be
// in a pass when the log goes off.
std::mutex owner;
std::unique_ptr<MonitorLog> log;
std::unique_ptr<MonitorLogWriter> writer;
std::atomic<MonitorLog*> active{nullptr};
// The window thread's alone.
std::string eventLabel;

std::optional<int> known(std::int32_t value) {
    if (value == ValueUnavailable) return std::nullopt;
    return value;
}

std::string gpuName(int index) {
    if (index < 0 || index >= MaxGpus) return {};
    return utf8FromUtf16(std::u16string_view(inventory.slots[index].name));
}

}  // namespace

void startMonitorLog(const std::string& logFolder) {
    const std::lock_guard hold(owner);
    if (log == nullptr) log = std::make_unique<MonitorLog>(logFolder);
    if (writer == nullptr) writer = std::make_unique<MonitorLogWriter>();
    writer->start(*log);
    active = log.get();
}

void stopMonitorLog() {
    const std::lock_guard hold(owner);
    active = nullptr;
    if (writer != nullptr) writer->stop();
}

bool monitorLogOn() { return active.load() != nullptr; }

void recordMonitorPass(int index) {
    MonitorLog* to = active.load();
    if (to == nullptr || index < 0 || index >= MaxGpus) return;
    const GpuSlot& gpu = inventory.slots[index];
    const GpuReadings& readings = monitor.gpu[index];
    MonitorLogRow row;
    row.time = platform().localTime();
    row.gpu = gpuName(index);
    row.gpuClockMhz = static_cast<int>(readings.gpuClock.load() / 1000);
    row.memClockMhz = static_cast<int>(readings.memClock.load() / 1000);
    row.temperature = known(readings.gpuTemperature);
    row.load = known(readings.gpuLoad);
    if (gpu.caps.NewFanInterface) {
        row.fan1Percent = known(gpu.fanSpeed1);
        row.fan1Rpm = known(gpu.fan1Rpm);
        if (gpu.fanCount >= 2) {
            row.fan2Percent = known(gpu.fanSpeed2);
            row.fan2Rpm = known(gpu.fan2Rpm);
        }
    } else {
        row.fan1Percent = known(gpu.fanSpeed);
        row.fan1Rpm = known(gpu.fanRpm);
    }
    // The pass has just read the settings of this GPU into the record.
    row.powerTargetPercent = tuning.powerTarget.load() / 1000.0;
    row.temperatureTarget = static_cast<int>(tuning.tempTarget.load());
    row.gpuOffsetMhz = static_cast<int>(tuning.gpuOffset.load() / 1000);
    row.memOffsetMhz = static_cast<int>(tuning.memOffset.load() / 1000);
    to->add(std::move(row));
}

void recordMonitorEvent(const std::string& event) {
    MonitorLog* to = active.load();
    if (to == nullptr) return;
    MonitorLogRow row;
    row.time = platform().localTime();
    row.gpu = gpuName(tuning.selectedGpu);
    row.event = eventLabel.empty() ? event : eventLabel;
    to->add(std::move(row));
}

MonitorEventLabel::MonitorEventLabel(std::string text) : previous_(std::move(eventLabel)) {
    eventLabel = std::move(text);
}

MonitorEventLabel::~MonitorEventLabel() { eventLabel = std::move(previous_); }

std::size_t monitorRowsPending() {
    const std::lock_guard hold(owner);
    return log != nullptr ? log->pending() : 0;
}

void flushMonitorLog() {
    const std::lock_guard hold(owner);
    if (log != nullptr) log->flush(platform().localTime());
}

}  // namespace vt
