#pragma once
// Small dense linear algebra over Vectors and Matrices. Every sum runs in
// index order from -0.0, so an empty sum is -0.0.

#include "core/error.hpp"
#include "core/vector.hpp"

namespace vexari::core::linalg {

inline constexpr std::string_view lengths_differ = "vector lengths must match";
inline constexpr std::string_view not_square = "matrix must be square and match rhs length";
inline constexpr std::string_view singular = "matrix is singular";

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
// The shape is checked before any arithmetic. The consuming form eliminates in
// place in its arguments; the other works on copies.
Outcome<Vector> solve(Matrix&& matrix, Vector&& rhs);
Outcome<Vector> solve(const Matrix& matrix, const Vector& rhs);

}  // namespace vexari::core::linalg
