#pragma once
// The fuzzer's bytes read as the values the core routines take. Reads past
// the end give zeros, so every input decodes to some call. A value is mostly
// one of the awkward doubles or a small number with an exact binary form; the
// rest of the time it is eight raw bytes, so any bit pattern can come.

#include "core/vector.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

// An invariant the harness holds the routines to; a failure ends the run as a finding.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace fuzz {

using vexari::core::Matrix;
using vexari::core::Vector;

// The same double to the bit (NaN payloads included), where == would call
// -0.0 and 0.0 equal and NaN unequal to itself.
inline bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline bool same_bits(const Vector& a, const Vector& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!same_bits(a[i], b[i])) return false;
    return true;
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

    // A count in [0, limit].
    std::uint64_t count(std::uint64_t limit) {
        std::uint64_t raw = 0;
        for (int i = 0; i < 2; ++i) raw = (raw << 8) | byte();
        return limit == std::numeric_limits<std::uint64_t>::max() ? raw : raw % (limit + 1);
    }

    double real() {
        static constexpr double awkward[] = {
            0.0, -0.0, 1.0, -1.0, 0.5, 2.0, INFINITY, -INFINITY, NAN, 1e300, -1e300, 5e-324,
            std::numeric_limits<double>::max(), std::numeric_limits<double>::min(), 1e-14, 1e-6,
            1.5707963267948966, 3.141592653589793};  // the doubles nearest pi / 2 and pi
        constexpr std::uint8_t listed = sizeof awkward / sizeof awkward[0];
        const std::uint8_t tag = byte();
        if (tag < listed) return awkward[tag];
        if (tag < 160) return (static_cast<double>(tag) - 88.0) / 8.0;
        double raw = 0.0;
        std::uint8_t bytes[sizeof raw] = {};
        for (std::uint8_t& b : bytes) b = byte();
        std::memcpy(&raw, bytes, sizeof raw);
        return raw;
    }

    Vector vector(std::size_t max_size) {
        Vector values(count(max_size));
        for (double& v : values) v = real();
        return values;
    }

    // Rows of one length, or now and then of any length.
    Matrix matrix(std::size_t max_rows, std::size_t max_columns) {
        const std::size_t rows = count(max_rows);
        const bool ragged = byte() % 8 == 0;
        const std::size_t columns = count(max_columns);
        Matrix m(rows);
        for (Vector& row : m) {
            row.resize(ragged ? count(max_columns) : columns);
            for (double& v : row) v = real();
        }
        return m;
    }

    // Strictly increasing values starting from start, with gaps from the bytes.
    Vector increasing(std::size_t n, double start) {
        Vector x(n);
        double at = start;
        for (double& v : x) {
            v = at;
            at = at + (static_cast<double>(byte() % 16) + 1.0) / 4.0;
        }
        return x;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A watch that reports failure from its n-th question on (never for n = 0).
struct Watch {
    std::uint64_t fail_at;
    mutable std::uint64_t asked = 0;
    bool failed() const { return fail_at != 0 && ++asked >= fail_at; }
};

}  // namespace fuzz
