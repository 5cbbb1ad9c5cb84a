#pragma once
// Least-squares fits of y against x: the closed-form straight line from the
// population moments, and the polynomial fit through its normal equations.

#include "core/error.hpp"
#include "core/vector.hpp"

#include <cstdint>

namespace vexari::core::stats {

struct LinearFit {
    double slope;
    double intercept;
    double r2;
};

Outcome<LinearFit> linear_regression(const Vector& x, const Vector& y);

// Coefficients in ascending powers, constant term first. The normal equations
// go to the dense solver, whose "matrix is singular" comes back unchanged.
Outcome<Vector> polynomial_regression(const Vector& x, const Vector& y, std::uint64_t degree);

// x^e by squaring from the lowest bit of e. Its roundings are part of the
// results, so no general power function stands in for it; x^0 is 1.0 for
// every x, NaN included.
inline double integer_power(double x, std::uint64_t e) {
    double result = (e & 1) != 0 ? x : 1.0;
    double base = x;
    for (e >>= 1; e != 0; e >>= 1) {
        base = base * base;
        if ((e & 1) != 0) result = result * base;
    }
    return result;
}

}  // namespace vexari::core::stats
