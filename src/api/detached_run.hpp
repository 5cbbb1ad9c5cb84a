#pragma once
// A compiled function's run needs no interpreter: the thread lets go of it
// (the lock on the default build; on the free-threaded build the thread is
// detached, so a collection need not wait for it) at the first evaluation and
// takes it back before anything Python is touched again.
//
// While detached, a pending Ctrl-C cannot be seen without taking the lock, and
// taking it costs far more than a cheap evaluation (and may wait for another
// thread's switch interval). So the run reads the clock every `interval_`
// evaluations and takes the lock to look for a signal once `look_period` has
// passed. The interval adapts so that the clock is read about every
// millisecond whether an evaluation takes nanoseconds or milliseconds.

#include "python.hpp"

#include <algorithm>
#include <chrono>
#include <utility>

namespace vexari::api {

class DetachedRun {
public:
    DetachedRun() = default;
    DetachedRun(const DetachedRun&) = delete;
    DetachedRun& operator=(const DetachedRun&) = delete;
    ~DetachedRun() { attach(); }

    bool detached() const noexcept { return saved_ != nullptr; }

    void detach() noexcept { saved_ = PyEval_SaveThread(); }

    void attach() noexcept {
        if (saved_ != nullptr) PyEval_RestoreThread(std::exchange(saved_, nullptr));
    }

    // Counts one step of the run (an evaluation, a row of work); true when it
    // is time to take the lock and look for a pending signal.
    bool look_due() noexcept {
        if (--countdown_ != 0) [[likely]]
            return false;
        const Clock::time_point now = Clock::now();
        if (last_look_ == Clock::time_point{}) last_read_ = last_look_ = now;  // the first reading of the run
        const Clock::duration gap = now - last_read_;
        last_read_ = now;
        if (gap < read_period / 2) interval_ = std::min(interval_ * 2, max_interval);
        else if (gap > read_period * 2) interval_ = std::max(interval_ / 2, 1u);
        countdown_ = interval_;
        if (now - last_look_ < look_period) return false;
        last_look_ = now;
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration read_period = std::chrono::milliseconds(1);
    static constexpr Clock::duration look_period = std::chrono::milliseconds(20);
    static constexpr unsigned max_interval = 1u << 14;

    PyThreadState* saved_ = nullptr;
    unsigned interval_ = 1;
    unsigned countdown_ = 2;  // the clock is first read at the second step: a run of one needs none
    Clock::time_point last_read_{};
    Clock::time_point last_look_{};
};

}  // namespace vexari::api
