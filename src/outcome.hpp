#pragma once
// The error convention for routines without callbacks: a routine's message is
// raised as ValueError with exactly that text.

#include "core/error.hpp"
#include "python_error.hpp"

#include <utility>

namespace vexari {

template <class T>
T value_or_raise(core::Outcome<T>&& outcome) {
    if (!outcome) raise(PyExc_ValueError, outcome.error().message);
    return std::move(*outcome);
}

inline void value_or_raise(core::Outcome<void>&& outcome) {
    if (!outcome) raise(PyExc_ValueError, outcome.error().message);
}

}  // namespace vexari
