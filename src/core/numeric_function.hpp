#pragma once
// What engines may ask of the numeric functions they evaluate, beyond calling them.

#include "core/vector.hpp"

namespace vexari::core {

// There is one way to end a run early: an engine asks has_failed, of the
// function it evaluates or of a watch it is given, at the points its comment
// names. A function that has failed for good only answers NaN (or an empty
// Vector) from then on, and the caller discards the run; a watch is the
// caller's own reason to stop (a pending interrupt, say) for loops that
// evaluate nothing. Either is anything with failed(); a function without it
// never fails.
template <class F>
constexpr bool has_failed(const F& function) {
    if constexpr (requires { function.failed(); }) return function.failed();
    else return false;
}

// The watch of a caller with no reason to stop.
struct Unwatched {
    static constexpr bool failed() noexcept { return false; }
};

// Evaluates a Vector-valued function into out. A function that can write into
// storage it is given reuses out's; any other is called and its value moved in.
template <class F>
void evaluate_into(F& f, const Vector& x, Vector& out) {
    if constexpr (requires { f(x, out); }) f(x, out);
    else out = f(x);
}

}  // namespace vexari::core
