// A value that worker threads share with the window thread.
//
// The program's shared state is plain machine words by design: one writer at a
// time, readers that tolerate a value one sample old. Shared<T> keeps exactly
// that behaviour without a data race: every access is a relaxed atomic load or
// store, and the syntax stays that of a plain variable.
#pragma once

#include <atomic>

namespace vt {

template <class T>
class Shared {
public:
    constexpr Shared() noexcept : value_(T{}) {}
    constexpr Shared(T initial) noexcept : value_(initial) {}
    Shared(const Shared& other) noexcept : value_(other.load()) {}
    Shared& operator=(const Shared& other) noexcept {
        store(other.load());
        return *this;
    }
    Shared& operator=(T next) noexcept {
        store(next);
        return *this;
    }
    operator T() const noexcept { return load(); }

    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T next) noexcept { value_.store(next, std::memory_order_relaxed); }
    T exchange(T next) noexcept { return value_.exchange(next, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};

}  // namespace vt
