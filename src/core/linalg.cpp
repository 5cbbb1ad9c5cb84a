#include "core/linalg.hpp"

#include <cmath>
#include <cstddef>
#include <utility>

namespace vexari::core::linalg {

Outcome<Vector> add(const Vector& left, const Vector& right) {
    if (left.size() != right.size()) return fail(lengths_differ);
    Vector result(left.size());
    for (std::size_t i = 0; i < left.size(); ++i) result[i] = left[i] + right[i];
    return result;
}

Outcome<Vector> sub(const Vector& left, const Vector& right) {
    if (left.size() != right.size()) return fail(lengths_differ);
    Vector result(left.size());
    for (std::size_t i = 0; i < left.size(); ++i) result[i] = left[i] - right[i];
    return result;
}

Outcome<double> dot(const Vector& left, const Vector& right) {
    if (left.size() != right.size()) return fail(lengths_differ);
    double sum = -0.0;
    for (std::size_t i = 0; i < left.size(); ++i) sum = sum + left[i] * right[i];
    return sum;
}

double norm(const Vector& vector) {
    double sum = -0.0;
    for (const double value : vector) sum = sum + value * value;
    return std::sqrt(sum);
}

Vector scale(const Vector& vector, double factor) {
    Vector result(vector.size());
    for (std::size_t i = 0; i < vector.size(); ++i) result[i] = factor * vector[i];
    return result;
}

Outcome<Vector> mat_vec(const Matrix& matrix, const Vector& vector) {
    Vector result(matrix.size());
    for (std::size_t i = 0; i < matrix.size(); ++i) {
        const Outcome<double> entry = dot(matrix[i], vector);
        if (!entry) return std::unexpected(entry.error());
        result[i] = *entry;
    }
    return result;
}

Outcome<Vector> solve(Matrix&& matrix, Vector&& rhs) {
    return solve(std::move(matrix), std::move(rhs), [] { return false; });
}

Outcome<Vector> solve(const Matrix& matrix, const Vector& rhs) {
    return solve(Matrix(matrix), Vector(rhs));
}

}  // namespace vexari::core::linalg
