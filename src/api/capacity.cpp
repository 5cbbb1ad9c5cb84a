#include "api/capacity.hpp"

#include "python_error.hpp"

#include <cstdio>
#include <limits>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vexari::api::capacity {

namespace {

// Without an answer, what a 47-bit address space can reach.
constexpr std::uint64_t unknown_memory = std::uint64_t{1} << 47;

#if defined(_WIN32)
std::uint64_t physical_memory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) && status.ullTotalPhys > 0 ? status.ullTotalPhys : unknown_memory;
}
#else
std::uint64_t physical_memory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    return pages > 0 && page_size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size)
                                      : unknown_memory;
}
#endif

// What one call may keep: half of the machine's memory, read once per process
// (a thread-safe static), not on every call.
std::uint64_t call_budget() {
    static const std::uint64_t memory = physical_memory();
    return memory / 2;
}

constexpr double gib = 1024.0 * 1024.0 * 1024.0;

}  // namespace

std::uint64_t storable_items(std::size_t bytes_per_item) { return call_budget() / bytes_per_item; }

void require_storable(std::uint64_t rows, std::uint64_t columns, std::size_t bytes_per_item) {
    // (Checked by division: MSVC has no overflow builtins.)
    if (columns != 0 && rows > std::numeric_limits<std::uint64_t>::max() / columns) {
        PyErr_Format(PyExc_MemoryError, "%llu x %llu points were asked for: more than can even be counted in 64 bits",
                     static_cast<unsigned long long>(rows), static_cast<unsigned long long>(columns));
        throw_python_error();
    }
    const std::uint64_t count = rows * columns;
    if (count <= storable_items(bytes_per_item)) return;
    // PyErr_Format has no float conversion, so the sizes are formatted first.
    char sizes[256];
    std::snprintf(sizes, sizeof sizes,
                  "at about %zu bytes each they would take %.1f GiB, more than the %.1f GiB "
                  "(half of this machine's memory) that one call may use",
                  bytes_per_item, static_cast<double>(count) * static_cast<double>(bytes_per_item) / gib,
                  static_cast<double>(call_budget()) / gib);
    PyErr_Format(PyExc_MemoryError, "%llu points were asked for: %s", static_cast<unsigned long long>(count), sizes);
    throw_python_error();
}

}  // namespace vexari::api::capacity
