// The tangent-family special functions on any double: no crash or undefined
// behaviour, exact zeros of tanpi at the integers, the tangent integrals odd
// to the bit and NaN past the pole.

#include "fuzz_input.hpp"

#include "core/trig.hpp"

using namespace vexari::core;

namespace {

// Odd to the bit, but a NaN has no sign worth keeping.
bool odd(double at_minus, double at_plus) {
    return std::isnan(at_minus) ? std::isnan(at_plus) : fuzz::same_bits(at_minus, -at_plus);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const double x = in.real();
    const double y = in.real();

    const double t = trig::tanpi(x);
    if (std::isfinite(x) && std::trunc(x) == x) FUZZ_CHECK(t == 0.0);
    (void)trig::tan_deg(x);
    (void)trig::tan_grad(x);
    (void)trig::complex_tan(x, y);

    // The integrals are slow only where they split to full depth; one of them per input.
    if (in.byte() % 2) {
        const double a = trig::atanint(x);
        if (!std::isnan(x) && x != 0.0) FUZZ_CHECK(odd(trig::atanint(-x), a));
    } else {
        const double i = trig::tanint(x);
        if (std::fabs(x) > 1.5707963267948966) FUZZ_CHECK(std::isnan(i));
        else if (!std::isnan(x) && x != 0.0) FUZZ_CHECK(odd(trig::tanint(-x), i));
    }
    return 0;
}
