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

Outcome<Vector> solve(Matrix&& a, Vector&& b) {
    const std::size_t n = b.size();
    if (a.size() != n) return fail(not_square);
    for (const Vector& row : a)
        if (row.size() != n) return fail(not_square);

    for (std::size_t k = 0; k < n; ++k) {
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

Outcome<Vector> solve(const Matrix& matrix, const Vector& rhs) {
    return solve(Matrix(matrix), Vector(rhs));
}

}  // namespace vexari::core::linalg
