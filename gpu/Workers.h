// The one owner of the two worker threads and of what keeps them apart from
// the window thread.
//
// The monitoring thread runs a pass (gpu/Monitor.h) a second through the
// driver gate, which the window thread's writers hold; the fan-level thread
// holds the fan floor a second while a fan level asks for one. Both wait on
// one condition between their passes: the end, a request for a pass, the
// window leaving or coming back from the tray, and a new fan level wake them;
// in the tray, and with no fan level set, they do not wake at all. What they
// want of the window reaches it as a posted message, never as a call.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "gpu/DriverGate.h"

namespace vt {

class GpuWorkers {
public:
    GpuWorkers();
    ~GpuWorkers();

    // Starts the monitoring thread and then the fan-level thread. Whatever
    // they post to or read of the window must exist by then.
    void start();
    // Ends both and waits for them; `lifecycle.running` is 0 by now or is set
    // to 0 here.
    void stop();

    // The next monitoring pass comes at once (the user chose another GPU, a
    // settle ended, the window came back).
    void requestPass();
    // The window went to the tray or came back: the monitoring thread rests
    // there and makes a pass as soon as it is shown again.
    void enterTray();
    void leaveTray();
    // The fan level changed: the fan-level thread wakes to hold its floor, or
    // rests without one.
    void fanLevelChanged();

    DriverGate& gate() { return gate_; }
    // The quit request: no pass from now to the end of the process.
    void closeForShutdown();
    // A fresh start: the gate open, no holder.
    void reopenGate();

private:
    void monitorLoop();
    void fanLevelLoop();
    void wakeAll();

    // Never destroyed: a hold that ends while the process exits (a settle's,
    // a reset's) still finds it.
    DriverGate& gate_;
    DriverGate::Hold shutdownHold_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool passRequested_ = false;
    bool fanLevelChanged_ = false;
    std::thread monitor_;
    std::thread fanLevel_;
};

extern GpuWorkers gpuWorkers;

}  // namespace vt
