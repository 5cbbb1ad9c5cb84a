#pragma once
// How a core failure reaches Python: each kind of failure has its exception
// type here, in this one place, and the message is its text.

#include "core/error.hpp"
#include "python_error.hpp"

#include <utility>

namespace vexari {

// Sets the exception for a core failure, as raise() would: invalid data is
// ValueError, a result too large to hold MemoryError, and a function whose
// results changed shape ValueError (callers that hold the function's own
// exception raise that instead). A run stopped by a request that left no
// exception behind is a broken invariant: PanicException.
void set_error(const core::Error& error);

[[noreturn]] inline void raise_error(const core::Error& error) {
    set_error(error);
    throw_python_error();
}

template <class T>
T value_or_raise(core::Outcome<T>&& outcome) {
    if (!outcome) raise_error(outcome.error());
    return std::move(*outcome);
}

inline void value_or_raise(core::Outcome<void>&& outcome) {
    if (!outcome) raise_error(outcome.error());
}

}  // namespace vexari
