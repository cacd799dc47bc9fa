#include "gpu/Workers.h"

#include <chrono>

#include "gpu/Monitor.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"

namespace vt {

GpuWorkers gpuWorkers;

namespace {

constexpr auto PassPeriod = std::chrono::milliseconds(1000);

bool ending() { return lifecycle.running != 1; }

}  // namespace

// Should the program end without its shutdown sequence (a skin image that
// does not decode quits at once), the threads are stopped here rather than
// left running into the process's exit.
GpuWorkers::GpuWorkers() : gate_(*new DriverGate) {}

GpuWorkers::~GpuWorkers() {
    if (!monitor_.joinable() && !fanLevel_.joinable()) return;
    lifecycle.running = 0;
    stop();
}

void GpuWorkers::start() {
    monitor_ = std::thread([this] { monitorLoop(); });
    fanLevel_ = std::thread([this] { fanLevelLoop(); });
}

void GpuWorkers::stop() {
    wakeAll();
    if (monitor_.joinable()) monitor_.join();
    if (fanLevel_.joinable()) fanLevel_.join();
}

void GpuWorkers::closeForShutdown() {
    if (!shutdownHold_.held()) shutdownHold_ = gate_.close(GateHolder::Shutdown);
}

void GpuWorkers::reopenGate() {
    shutdownHold_.release();
    gate_.reopen();
}

void GpuWorkers::wakeAll() {
    // Taking the lock orders the caller's change before a waiter's next look.
    { const std::lock_guard hold(lock_); }
    wake_.notify_all();
}

void GpuWorkers::requestPass() {
    {
        const std::lock_guard hold(lock_);
        passRequested_ = true;
    }
    wake_.notify_all();
}

void GpuWorkers::enterTray() {
    {
        const std::lock_guard hold(lock_);
        lifecycle.hiddenToTray = 1;
    }
    wake_.notify_all();
}

void GpuWorkers::leaveTray() {
    {
        const std::lock_guard hold(lock_);
        lifecycle.hiddenToTray = 0;
    }
    wake_.notify_all();
}

void GpuWorkers::fanLevelChanged() {
    {
        const std::lock_guard hold(lock_);
        fanLevelChanged_ = true;
    }
    wake_.notify_all();
}

// A pass a second; in the tray no pass and no wake-up until the window is
// back (or a pass is asked for, or the program ends).
void GpuWorkers::monitorLoop() {
    while (!ending()) {
        monitoringPass();
        std::unique_lock hold(lock_);
        const auto woken = [this] { return ending() || passRequested_; };
        if (lifecycle.hiddenToTray != 0) {
            wake_.wait(hold, [&] { return woken() || lifecycle.hiddenToTray == 0; });
        } else {
            wake_.wait_for(hold, PassPeriod, woken);
        }
        passRequested_ = false;
    }
    endMonitoring();
}

// The floor a second while a fan level asks for one; without one the thread
// rests until the level changes.
void GpuWorkers::fanLevelLoop() {
    while (!ending()) {
        fanLevelPass();
        std::unique_lock hold(lock_);
        const auto woken = [this] { return ending() || fanLevelChanged_; };
        if (fanFloor(tuning.fanLevel) == 0) {
            wake_.wait(hold, woken);
        } else {
            wake_.wait_for(hold, PassPeriod, woken);
        }
        fanLevelChanged_ = false;
    }
}

}  // namespace vt
