#pragma once
// Polynomials as coefficient Vectors in ascending powers: c[i] multiplies x^i,
// and the empty Vector is the zero polynomial. Results are never trimmed, so
// trailing zeros (cancelled leading terms included) stay.

#include "core/vector.hpp"

namespace vexari::core::polynomial {

// Entry i is left_i + right_i, a missing entry counting as 0.0.
Vector sum(const Vector& left, const Vector& right);
// Each product entry accumulates its terms in ascending index of left; empty if
// either factor is empty.
Vector multiply(const Vector& left, const Vector& right);
// c[i] * i for i >= 1; empty for a constant.
Vector derivative(const Vector& coefficients);
// constant, then c[i] / (i + 1).
Vector integral(const Vector& coefficients, double constant);

// Horner's scheme from the highest coefficient down.
template <Values C>
double evaluate(const C& coefficients, double x) {
    double p = 0.0;
    for (std::size_t i = coefficients.size(); i-- > 0;) p = x * p + coefficients[i];
    return p;
}

// The polynomial as a numeric function of one variable; it keeps a reference,
// so the coefficients must outlive it.
class Polynomial {
public:
    explicit Polynomial(const Vector& coefficients) noexcept : coefficients_(&coefficients) {}
    explicit Polynomial(Vector&&) = delete;
    double operator()(double x) const { return evaluate(*coefficients_, x); }

private:
    const Vector* coefficients_;
};

}  // namespace vexari::core::polynomial
