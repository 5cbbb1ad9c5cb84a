#pragma once
// Results too large to hold are refused before the work starts. Memory is
// handed out lazily, so allocating a result piece by piece may succeed for a
// long while and then run the process out of memory after the callable has
// been called for every point; a count is therefore weighed up front against
// the memory a single call may take, half of the machine's.

#include "python.hpp"

#include <cstddef>
#include <cstdint>

namespace vexari::api::capacity {

// Rough footprints of what a result holds per item until the call returns.
inline constexpr std::size_t float_object = 24;
inline constexpr std::size_t list_slot = sizeof(PyObject*);
inline constexpr std::size_t small_dict = 184;  // a dict of up to five keys
inline constexpr std::size_t six_key_dict = 272;

// Dict records of `keys` float entries, each in a list slot, plus the C++
// record of `record_bytes` they are built from.
constexpr std::size_t per_record(std::size_t keys, std::size_t record_bytes) {
    return record_bytes + list_slot + (keys <= 5 ? small_dict : six_key_dict) + keys * float_object;
}

// The number of items of the given size that a call may keep.
std::uint64_t storable_items(std::size_t bytes_per_item);

// MemoryError unless rows * columns items of the given size can be kept.
void require_storable(std::uint64_t rows, std::uint64_t columns, std::size_t bytes_per_item);
inline void require_storable(std::uint64_t count, std::size_t bytes_per_item) {
    require_storable(count, 1, bytes_per_item);
}

}  // namespace vexari::api::capacity
