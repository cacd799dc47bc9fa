#include "gpu/DriverGate.h"

#include <algorithm>
#include <utility>

namespace vt {

DriverGate::Hold::Hold(Hold&& other) noexcept
    : gate_(std::exchange(other.gate_, nullptr)), holder_(other.holder_) {}

DriverGate::Hold& DriverGate::Hold::operator=(Hold&& other) noexcept {
    if (this != &other) {
        release();
        gate_ = std::exchange(other.gate_, nullptr);
        holder_ = other.holder_;
    }
    return *this;
}

void DriverGate::Hold::release() {
    if (DriverGate* gate = std::exchange(gate_, nullptr)) gate->release(holder_);
}

DriverGate::Hold DriverGate::close(GateHolder holder) {
    std::unique_lock hold(lock_);
    passEnded_.wait(hold, [this] { return !passing_; });
    ++holds_[static_cast<int>(holder)];
    return Hold(this, holder);
}

bool DriverGate::runPass(const std::function<void()>& pass) {
    {
        const std::lock_guard hold(lock_);
        if (std::any_of(std::begin(holds_), std::end(holds_), [](std::int32_t count) { return count > 0; })) {
            return false;
        }
        passing_ = true;
    }
    // Whatever the pass does, the gate is open to writers again afterwards.
    struct EndOfPass {
        DriverGate& gate;
        ~EndOfPass() {
            {
                const std::lock_guard hold(gate.lock_);
                gate.passing_ = false;
            }
            gate.passEnded_.notify_all();
        }
    } end{*this};
    pass();
    return true;
}

bool DriverGate::heldBy(GateHolder holder) const {
    const std::lock_guard hold(lock_);
    return holds_[static_cast<int>(holder)] > 0;
}

bool DriverGate::held() const {
    const std::lock_guard hold(lock_);
    return std::any_of(std::begin(holds_), std::end(holds_), [](std::int32_t count) { return count > 0; });
}

void DriverGate::reopen() {
    const std::lock_guard hold(lock_);
    std::fill(std::begin(holds_), std::end(holds_), 0);
}

void DriverGate::release(GateHolder holder) {
    const std::lock_guard hold(lock_);
    std::int32_t& count = holds_[static_cast<int>(holder)];
    if (count > 0) --count;
}

}  // namespace vt
