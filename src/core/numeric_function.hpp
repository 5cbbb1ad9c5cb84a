#pragma once
// What engines may ask of the numeric functions they evaluate, beyond calling them.

#include "core/vector.hpp"

namespace vexari::core {

// A function may report that it has failed for good: from then on it only
// answers NaN (or an empty Vector) and the caller discards the run. Engines use
// this to stop early where nothing they could still compute would be seen.
template <class F>
constexpr bool has_failed(const F& function) {
    if constexpr (requires { function.failed(); }) return function.failed();
    else return false;
}

// Evaluates a Vector-valued function into out. A function that can write into
// storage it is given reuses out's; any other is called and its value moved in.
template <class F>
void evaluate_into(F& f, const Vector& x, Vector& out) {
    if constexpr (requires { f(x, out); }) f(x, out);
    else out = f(x);
}

}  // namespace vexari::core
