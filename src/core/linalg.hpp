#pragma once
// Small dense linear algebra over Vectors and Matrices. Every sum runs in
// index order from -0.0, so an empty sum is -0.0.

#include "core/error.hpp"
#include "core/vector.hpp"

#include <cmath>
#include <cstddef>
#include <utility>

namespace vexari::core::linalg {

inline constexpr std::string_view lengths_differ = "vector lengths must match";
inline constexpr std::string_view not_square = "matrix must be square and match rhs length";
inline constexpr std::string_view singular = "matrix is singular";
// Returned when the stop test asks to abandon a solve; the caller knows why.
inline constexpr std::string_view stopped = "solve was stopped";

// Below this magnitude (absolute, not scaled to the matrix) a pivot counts as zero.
inline constexpr double pivot_threshold = 1e-14;

Outcome<Vector> add(const Vector& left, const Vector& right);
Outcome<Vector> sub(const Vector& left, const Vector& right);
Outcome<double> dot(const Vector& left, const Vector& right);

// The square root of the sum of squares.
double norm(const Vector& vector);
// factor * vector_i for every i.
Vector scale(const Vector& vector, double factor);
// One dot product per row, in row order; the first row of another length fails.
Outcome<Vector> mat_vec(const Matrix& matrix, const Vector& vector);

// x with matrix * x = rhs, by Gaussian elimination with partial pivoting.
// The shape is checked before any arithmetic. The consuming forms eliminate in
// place in their arguments; the other works on copies.
Outcome<Vector> solve(Matrix&& matrix, Vector&& rhs);
Outcome<Vector> solve(const Matrix& matrix, const Vector& rhs);

// The same, asking stop() before each pivot column (elimination is cubic in
// the size, so a caller may want to abandon a large one); a true answer ends
// the solve with the message `stopped`.
template <class Stop>
Outcome<Vector> solve(Matrix&& a, Vector&& b, Stop&& stop) {
    const std::size_t n = b.size();
    if (a.size() != n) return fail(not_square);
    for (const Vector& row : a)
        if (row.size() != n) return fail(not_square);

    for (std::size_t k = 0; k < n; ++k) {
        if (stop()) return fail(stopped);
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
        const Vector& pivot_row = a[k];
        for (std::size_t i = k + 1; i < n; ++i) {
            Vector& row = a[i];
            const double factor = row[k] / pivot_row[k];
            for (std::size_t j = k; j < n; ++j) row[j] = row[j] - factor * pivot_row[j];
            b[i] = b[i] - factor * b[k];
        }
    }

    Vector x(n);
    for (std::size_t i = n; i-- > 0;) {
        double s = b[i];
        for (std::size_t j = i + 1; j < n; ++j) s = s - a[i][j] * x[j];
        x[i] = s / a[i][i];
    }
    return x;
}

}  // namespace vexari::core::linalg
