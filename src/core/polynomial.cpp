#include "core/polynomial.hpp"

#include <algorithm>
#include <cstddef>

namespace vexari::core::polynomial {

Vector sum(const Vector& left, const Vector& right) {
    Vector result(std::max(left.size(), right.size()));
    for (std::size_t i = 0; i < result.size(); ++i) {
        const double a = i < left.size() ? left[i] : 0.0;
        const double b = i < right.size() ? right[i] : 0.0;
        result[i] = a + b;
    }
    return result;
}

Vector multiply(const Vector& left, const Vector& right) {
    if (left.empty() || right.empty()) return {};
    Vector result(left.size() + right.size() - 1);
    for (std::size_t i = 0; i < left.size(); ++i)
        for (std::size_t j = 0; j < right.size(); ++j) result[i + j] = result[i + j] + left[i] * right[j];
    return result;
}

Vector derivative(const Vector& coefficients) {
    if (coefficients.size() <= 1) return {};
    Vector result(coefficients.size() - 1);
    for (std::size_t i = 1; i < coefficients.size(); ++i) result[i - 1] = coefficients[i] * static_cast<double>(i);
    return result;
}

Vector integral(const Vector& coefficients, double constant) {
    Vector result(coefficients.size() + 1);
    result[0] = constant;
    for (std::size_t i = 0; i < coefficients.size(); ++i)
        result[i + 1] = coefficients[i] / static_cast<double>(i + 1);
    return result;
}

}  // namespace vexari::core::polynomial
