#pragma once
// Small dense linear algebra over Vectors and Matrices. Every sum runs in
// index order from -0.0, so an empty sum is -0.0.

#include "core/error.hpp"
#include "core/numeric_function.hpp"
#include "core/vector.hpp"

// MSVC spells forced inlining its own way (and warns on the GNU attribute).
#if defined(_MSC_VER) && !defined(__clang__)
#define VEXARI_ALWAYS_INLINE __forceinline
#else
#define VEXARI_ALWAYS_INLINE [[gnu::always_inline]] inline
#endif

#include <cmath>
#include <cstddef>
#include <span>
#include <type_traits>
#include <utility>

namespace vexari::core::linalg {

inline constexpr std::string_view lengths_differ = "vector lengths must match";
inline constexpr std::string_view not_square = "matrix must be square and match rhs length";
inline constexpr std::string_view singular = "matrix is singular";
// Returned when the stop test asks to abandon a solve; the caller knows why.
inline constexpr Error stopped{ErrorKind::stopped, "solve was stopped"};

// Below this magnitude (absolute, not scaled to the matrix) a pivot counts as zero.
inline constexpr double pivot_threshold = 1e-14;

template <Values L, Values R>
Outcome<Vector> add(const L& left, const R& right) {
    if (left.size() != right.size()) return fail(lengths_differ);
    Vector result(left.size());
    for (std::size_t i = 0; i < left.size(); ++i) result[i] = left[i] + right[i];
    return result;
}

template <Values L, Values R>
Outcome<Vector> sub(const L& left, const R& right) {
    if (left.size() != right.size()) return fail(lengths_differ);
    Vector result(left.size());
    for (std::size_t i = 0; i < left.size(); ++i) result[i] = left[i] - right[i];
    return result;
}

template <Values L, Values R>
Outcome<double> dot(const L& left, const R& right) {
    if (left.size() != right.size()) return fail(lengths_differ);
    double sum = -0.0;
    for (std::size_t i = 0; i < left.size(); ++i) sum = sum + left[i] * right[i];
    return sum;
}

// The square root of the sum of squares.
template <Values V>
double norm(const V& vector) {
    double sum = -0.0;
    for (std::size_t i = 0; i < vector.size(); ++i) sum = sum + vector[i] * vector[i];
    return std::sqrt(sum);
}

// factor * vector_i for every i.
template <Values V>
Vector scale(const V& vector, double factor) {
    Vector result(vector.size());
    for (std::size_t i = 0; i < vector.size(); ++i) result[i] = factor * vector[i];
    return result;
}

// One dot product per row, in row order; the first row of another length fails.
// Every row reads the whole vector, so values that are not contiguous doubles
// already are copied once first.
template <Rows M, Values V>
Outcome<Vector> mat_vec(const M& matrix, const V& vector) {
    if constexpr (!std::is_convertible_v<const V&, std::span<const double>>) {
        const Vector copy = copy_of(vector);
        return mat_vec(matrix, std::span<const double>(copy));
    } else {
        Vector result(matrix.size());
        for (std::size_t i = 0; i < matrix.size(); ++i) {
            const Outcome<double> entry = dot(matrix[i], vector);
            if (!entry) return std::unexpected(entry.error());
            result[i] = *entry;
        }
        return result;
    }
}

// x with matrix * x = rhs, by Gaussian elimination with partial pivoting.
// The shape is checked before any arithmetic. The consuming forms eliminate in
// place in their arguments; the other works on copies.
Outcome<Vector> solve(Matrix&& matrix, Vector&& rhs);
Outcome<Vector> solve(const Matrix& matrix, const Vector& rhs);

// The elimination itself, on a system whose shape is already known to be
// n x n with n = b.size(). The rows are swapped as whole objects, so a may be a
// Matrix or row pointers into one block. Asks the watch before each pivot
// column (elimination is cubic in the size, so a caller may want to abandon a
// large one); a failed watch ends it with the message `stopped`. The solution
// goes into x, whose storage is reused, and a and b are left eliminated.
// Always inlined: each caller has its own watch and row type, and the loops
// compiled into the caller ran measurably faster on small systems than a call.
template <class SwappableRows, class Watch>
VEXARI_ALWAYS_INLINE Outcome<void> eliminate(SwappableRows& a, Vector& b, Vector& x, const Watch& watch) {
    const std::size_t n = b.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (has_failed(watch)) return fail(stopped);
        // Strictly larger wins, so among equal magnitudes the top row stays
        // and a NaN never wins.
        std::size_t p = k;
        for (std::size_t i = k + 1; i < n; ++i)
            if (std::fabs(a[i][k]) > std::fabs(a[p][k])) p = i;
        if (std::fabs(a[p][k]) < pivot_threshold) return fail(singular);
        if (p != k) {
            std::swap(a[k], a[p]);
            std::swap(b[k], b[p]);
        }
        const auto& pivot_row = a[k];
        for (std::size_t i = k + 1; i < n; ++i) {
            auto& row = a[i];
            const double factor = row[k] / pivot_row[k];
            for (std::size_t j = k; j < n; ++j) row[j] = row[j] - factor * pivot_row[j];
            b[i] = b[i] - factor * b[k];
        }
    }

    x.resize(n);
    for (std::size_t i = n; i-- > 0;) {
        double s = b[i];
        for (std::size_t j = i + 1; j < n; ++j) s = s - a[i][j] * x[j];
        x[i] = s / a[i][i];
    }
    return {};
}

// The same with the shape checked first: a caller solving many systems of one
// size allocates nothing once its storage has grown.
template <class Watch>
Outcome<void> solve_into(Matrix& a, Vector& b, Vector& x, const Watch& watch) {
    const std::size_t n = b.size();
    if (a.size() != n) return fail(not_square);
    for (const Vector& row : a)
        if (row.size() != n) return fail(not_square);
    return eliminate(a, b, x, watch);
}

// A square system copied into one block, its rows reached through pointers
// (so the solver's row swaps are pointer swaps): three allocations whatever
// the size, where a Matrix takes one per row.
struct SquareSystem {
    Vector entries;
    std::vector<double*> rows;
    Vector rhs;

    // Checks the shape, then copies; the values are only read.
    template <Rows M, Values V>
    Outcome<void> assign(const M& matrix, const V& b) {
        const std::size_t n = b.size();
        if (matrix.size() != n) return fail(not_square);
        for (std::size_t i = 0; i < n; ++i)
            if (matrix[i].size() != n) return fail(not_square);
        entries.resize(n * n);
        rows.resize(n);
        rhs.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const auto& row = matrix[i];
            rows[i] = entries.data() + i * n;
            for (std::size_t j = 0; j < n; ++j) rows[i][j] = row[j];
            rhs[i] = b[i];
        }
        return {};
    }

    template <class Watch>
    Outcome<Vector> solve(const Watch& watch) {
        Vector x;
        if (auto solved = eliminate(rows, rhs, x, watch); !solved) return std::unexpected(solved.error());
        return x;
    }
};

template <class Watch>
Outcome<Vector> solve(Matrix&& a, Vector&& b, const Watch& watch) {
    Vector x;
    if (auto solved = solve_into(a, b, x, watch); !solved) return std::unexpected(solved.error());
    return x;
}

}  // namespace vexari::core::linalg
