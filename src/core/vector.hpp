#pragma once
// The data shapes shared by every numerical routine.

#include <concepts>
#include <cstddef>
#include <vector>

namespace vexari::core {

using Vector = std::vector<double>;
using Matrix = std::vector<Vector>;

// Read-only access to doubles by index: a Vector, or a view of storage the
// routine does not own. Routines that only read their data take any of these,
// so a caller can hand over values without copying them first.
template <class V>
concept Values = requires(const V& values, std::size_t i) {
    { values.size() } -> std::convertible_to<std::size_t>;
    { values[i] } -> std::convertible_to<double>;
};

// The same for a matrix: rows by index, each one Values.
template <class M>
concept Rows = requires(const M& rows, std::size_t i) {
    { rows.size() } -> std::convertible_to<std::size_t>;
    { rows[i] } -> Values;
};

// The values as a Vector of their own.
template <Values V>
Vector copy_of(const V& values) {
    Vector copy(values.size());
    for (std::size_t i = 0; i < copy.size(); ++i) copy[i] = values[i];
    return copy;
}

}  // namespace vexari::core
