#pragma once
// Long loops that never call back into Python would not notice Ctrl-C. Their
// engines ask a watch, through has_failed, between rows of work; a pending
// interrupt whose handler raised parks that exception in the slot and stops
// the run, and the wrapper raises it once the engine has returned. In a
// compiled function's run, which holds no interpreter, both look by the clock
// instead (see detached_run.hpp).

#include "api/callback.hpp"

namespace vexari::api {

// Looks at every asking: for loops whose rows are long.
class InterruptWatch {
public:
    static constexpr bool runs_python_code = true;  // a signal handler
    explicit InterruptWatch(ErrorSlot& slot) noexcept : slot_(&slot) {}
    bool failed() const {
        if (slot_->holding()) return true;
        if (slot_->detached()) return slot_->look_while_detached();
        if (PyErr_CheckSignals() == 0) return false;
        slot_->take_pending();
        return true;
    }

private:
    ErrorSlot* slot_;
};

// Looks at every interrupt_interval-th asking (see ErrorSlot), for loops whose
// rows are short, between the evaluations of a callable. Only an interrupt
// counts: the callable's own failure reaches the engine through its results,
// and the engine answers it in its own way, so a slot that already holds an
// exception is left as it is.
class SparseInterruptWatch {
public:
    static constexpr bool runs_python_code = true;
    explicit SparseInterruptWatch(ErrorSlot& slot) noexcept : slot_(&slot) {}
    bool failed() const {
        if (slot_->holding()) return false;
        if (slot_->detached()) return slot_->look_while_detached();
        return slot_->interrupt_check_due() && callback_detail::interrupted(*slot_);
    }

private:
    ErrorSlot* slot_;
};

}  // namespace vexari::api
