#include "api/capacity.hpp"

#include "python_error.hpp"

#include <unistd.h>

namespace vexari::api::capacity {

namespace {

std::uint64_t physical_memory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    // Without an answer, what a 47-bit address space can reach.
    return pages > 0 && page_size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size)
                                      : std::uint64_t{1} << 47;
}

}  // namespace

std::uint64_t storable_items(std::size_t bytes_per_item) {
    // Read once per process (a thread-safe static), not on every call.
    static const std::uint64_t memory = physical_memory();
    return memory / 2 / bytes_per_item;
}

void require_storable(std::uint64_t rows, std::uint64_t columns, std::size_t bytes_per_item) {
    std::uint64_t count = 0;
    if (!__builtin_mul_overflow(rows, columns, &count) && count <= storable_items(bytes_per_item)) return;
    PyErr_NoMemory();
    throw_python_error();
}

}  // namespace vexari::api::capacity
