// Keeps the monitoring thread's reads and the window thread's tuning writes
// apart.
//
// A writer (an apply until its settle ends, a reset until the panels have
// taken its values over, a profile or history load while it runs, the
// shutdown from the quit request on) holds the gate; a monitoring pass runs
// only while nobody holds it, and a writer that arrives while a pass runs
// waits for that pass to end. So a pass never overlaps a write, and the
// decision to run one is taken under the same lock that a writer takes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vt {

enum class GateHolder : std::int32_t { Apply = 0, Reset = 1, ProfileLoad = 2, Shutdown = 3, Recovery = 4 };
inline constexpr int GateHolderCount = 5;

class DriverGate {
public:
    // One writer's hold, released when it ends (or by release()). Moving it
    // hands the hold on: an apply's goes to the thread that ends its settle.
    class Hold {
    public:
        Hold() = default;
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold() { release(); }
        void release();
        bool held() const { return gate_ != nullptr; }

    private:
        friend class DriverGate;
        Hold(DriverGate* gate, GateHolder holder) : gate_(gate), holder_(holder) {}
        DriverGate* gate_ = nullptr;
        GateHolder holder_ = GateHolder::Apply;
    };

    // Waits for a pass that is running to end, then keeps every pass out
    // until the hold is released.
    Hold close(GateHolder holder);
    // Runs the pass unless a writer holds the gate; no writer gets in while
    // it runs. False when it did not run.
    bool runPass(const std::function<void()>& pass);
    bool heldBy(GateHolder holder) const;
    bool held() const;
    // Open again with no holder (a fresh start; a shutdown's hold lasts to
    // the end of the process otherwise). Only with no pass running.
    void reopen();

private:
    void release(GateHolder holder);

    mutable std::mutex lock_;
    std::condition_variable passEnded_;
    std::int32_t holds_[GateHolderCount] = {};
    bool passing_ = false;
};

}  // namespace vt
