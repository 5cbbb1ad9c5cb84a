#pragma once
// Long loops that never call back into Python would not notice Ctrl-C. Their
// engines ask an InterruptWatch, through has_failed, between rows of work; a
// signal whose handler raised parks that exception in the slot and stops the
// run, and the wrapper raises it once the engine has returned.

#include "api/callback.hpp"

namespace vexari::api {

class InterruptWatch {
public:
    explicit InterruptWatch(ErrorSlot& slot) noexcept : slot_(&slot) {}
    bool failed() const {
        if (slot_->holding()) return true;
        if (PyErr_CheckSignals() == 0) return false;
        slot_->take_pending();
        return true;
    }

private:
    ErrorSlot* slot_;
};

}  // namespace vexari::api
