#pragma once
// Loops over data of the caller's size (converting a sequence, building a
// result list) call no Python code that would notice Ctrl-C, and can run for
// seconds. Such a loop ticks an InterruptPoll once an item; every few thousand
// items it looks for a pending signal, and a handler's exception (such as
// KeyboardInterrupt) ends the loop as that exception. Looking costs about as
// much as creating one float, so it does not show against thousands.

#include "python_error.hpp"

namespace vexari {

class InterruptPoll {
public:
    void tick() {
        if (--until_check_ != 0) [[likely]]
            return;
        until_check_ = interval;
        checked_status(PyErr_CheckSignals());
    }

private:
    static constexpr unsigned interval = 1u << 12;
    unsigned until_check_ = interval;
};

}  // namespace vexari
