#pragma once
// Central differences with one fixed step, no scaling to the size of the point
// and no extrapolation. Every routine is generic over the function it
// differentiates and never modifies the point it is given.

#include "core/error.hpp"
#include "core/numeric_function.hpp"
#include "core/vector.hpp"

#include <cstddef>
#include <string_view>

namespace vexari::core::derivative {

// The point moves by +step and by -step; the quotient divides by the constant
// divisor, not by 2 * step computed at run time.
inline constexpr double step = 1e-6;
inline constexpr double divisor = 2e-6;

// (f(x + 1e-6) - f(x - 1e-6)) / 2e-6, evaluated at the upper point first: the
// slope every routine of core that wants one takes.
template <class F>
double central_slope(F&& f, double x) {
    const double upper = f(x + step);
    const double lower = f(x - step);
    return (upper - lower) / divisor;
}

// One central difference per coordinate, coordinate 0 first, each evaluated at
// the upper then the lower point: 2n evaluations, none for an empty point.
// This form moves the point it is given, one coordinate at a time, putting
// every coordinate back exactly, and writes into result, reusing its storage.
template <class F>
void gradient_moving(F&& f, Vector& point, Vector& result) {
    result.resize(point.size());
    for (std::size_t j = 0; j < point.size(); ++j) {
        const double original = point[j];
        point[j] = original + step;
        const double upper = f(static_cast<const Vector&>(point));
        point[j] = original + (-step);
        const double lower = f(static_cast<const Vector&>(point));
        point[j] = original;
        result[j] = (upper - lower) / divisor;
    }
}

// The same at a point that stays as it is: moved is the scratch copy that
// moves instead, its storage reused too, so repeated gradients allocate
// nothing once it has grown.
template <class F>
void gradient_into(F&& f, const Vector& point, Vector& result, Vector& moved) {
    moved = point;
    gradient_moving(f, moved, result);
}

// The engines of the Python functions tangent and gradient. Neither fails of
// itself; a failed function's answer is dropped by the caller.
template <class F>
Outcome<double> tangent(F&& f, double x) {
    return central_slope(f, x);
}

// The point is the caller's own copy, moved while the gradient is taken.
template <class F>
Outcome<Vector> gradient(F&& f, Vector point) {
    Vector result;
    gradient_moving(f, point, result);
    return result;
}

inline constexpr Error length_changed{ErrorKind::callback_shape, "residual length changed between evaluations"};

// The scratch of repeated Jacobians, kept by the caller between them.
struct JacobianScratch {
    Vector moved;
    Vector upper;
    Vector lower;
};

// The m x n Jacobian of a Vector -> Vector function, written into result: m
// is the length of the value at the point itself (its entries are not used),
// then one column per coordinate from the upper and lower values. 1 + 2n
// evaluations. A value whose length differs from m ends the computation with
// an error at once, so no entry is ever read past the end of a shorter value.
template <class F>
Outcome<void> jacobian_into(F&& f, const Vector& point, Matrix& result, JacobianScratch& scratch) {
    evaluate_into(f, point, scratch.upper);
    const std::size_t rows = scratch.upper.size();
    result.resize(rows);
    for (Vector& row : result) row.resize(point.size());
    scratch.moved = point;
    Vector& moved = scratch.moved;
    for (std::size_t j = 0; j < point.size(); ++j) {
        moved[j] = point[j] + step;
        evaluate_into(f, static_cast<const Vector&>(moved), scratch.upper);
        if (scratch.upper.size() != rows) return fail(length_changed);
        moved[j] = point[j] + (-step);
        evaluate_into(f, static_cast<const Vector&>(moved), scratch.lower);
        if (scratch.lower.size() != rows) return fail(length_changed);
        moved[j] = point[j];
        for (std::size_t i = 0; i < rows; ++i) result[i][j] = (scratch.upper[i] - scratch.lower[i]) / divisor;
    }
    return {};
}

template <class F>
Outcome<Matrix> jacobian(F&& f, const Vector& point) {
    Matrix result;
    JacobianScratch scratch;
    if (auto done = jacobian_into(f, point, result, scratch); !done) return std::unexpected(done.error());
    return result;
}

}  // namespace vexari::core::derivative
