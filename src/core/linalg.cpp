#include "core/linalg.hpp"

#include <cmath>
#include <cstddef>
#include <utility>

namespace vexari::core::linalg {

Outcome<Vector> solve(Matrix&& matrix, Vector&& rhs) {
    return solve(std::move(matrix), std::move(rhs), Unwatched{});
}

Outcome<Vector> solve(const Matrix& matrix, const Vector& rhs) {
    return solve(Matrix(matrix), Vector(rhs));
}

}  // namespace vexari::core::linalg
