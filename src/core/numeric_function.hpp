#pragma once
// What engines may ask of the numeric functions they evaluate, beyond calling them.

namespace vexari::core {

// A function may report that it has failed for good: from then on it only
// answers NaN (or an empty Vector) and the caller discards the run. Engines use
// this to stop early where nothing they could still compute would be seen.
template <class F>
constexpr bool has_failed(const F& function) {
    if constexpr (requires { function.failed(); }) return function.failed();
    else return false;
}

}  // namespace vexari::core
