#include "api/register.hpp"

#include "api/callback.hpp"
#include "api/interrupt_watch.hpp"
#include "build.hpp"
#include "core/polynomial.hpp"
#include "core/root.hpp"
#include "function.hpp"

#include <cstdint>

namespace vexari::api {

namespace {

// A polynomial for the root engine. Its evaluations never reach Python, so a
// run with a huge iteration budget would not notice Ctrl-C; the engine asks
// after every iteration whether to stop, and a pending signal answers yes (its
// exception is parked and raised once the engine has returned).
class InterruptiblePolynomial {
public:
    InterruptiblePolynomial(const Vector& coefficients, ErrorSlot& slot) noexcept
        : polynomial_(coefficients), slot_(&slot), watch_(slot) {}
    double operator()(double x) const { return slot_->holding() ? callback_detail::nan : polynomial_(x); }
    bool failed() const { return watch_.failed(); }

private:
    core::polynomial::Polynomial polynomial_;
    const ErrorSlot* slot_;
    InterruptWatch watch_;
};

Ref polyval(InPlaceVector coefficients, double x) {
    const auto routine = [](const auto& c, double at) { return core::polynomial::evaluate(c, at); };
    return to_python(read_in_place(with_values(routine, x), coefficients));
}

Ref polyder(Vector coefficients) { return to_python(core::polynomial::derivative(coefficients)); }

Ref polyint(Vector coefficients, double constant) {
    return to_python(core::polynomial::integral(coefficients, constant));
}

Ref polyadd(Vector left, Vector right) { return to_python(core::polynomial::sum(left, right)); }

Ref polymul(Vector left, Vector right) { return to_python(core::polynomial::multiply(left, right)); }

// The root alone: history, count and convergence flag are dropped, so an
// unconverged run answers its last iterate. The engine keeps no records, so a
// large iteration budget costs time only.
Ref polyroot(Vector coefficients, double guess, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    const InterruptiblePolynomial polynomial(coefficients, slot);
    const core::RootResult result =
        value_or_raise(slot, core::root::newton<core::root::RootOnly>(polynomial, guess, tol, max_iter));
    return to_python(result.root);
}

}  // namespace

void register_polynomial(PyObject* module) {
    add_functions<Function<"polyval(coefficients, x)", polyval>, Function<"polyder(coefficients)", polyder>,
                  Function<"polyint(coefficients, constant=0.0)", polyint>,
                  Function<"polyadd(left, right)", polyadd>, Function<"polymul(left, right)", polymul>,
                  Function<"polyroot(coefficients, guess, tol=1e-10, max_iter=50)", polyroot>>(module);
}

}  // namespace vexari::api
