#include "api/register.hpp"

#include "api/callback.hpp"
#include "api/interrupt_watch.hpp"
#include "build.hpp"
#include "core/optimize.hpp"
#include "function.hpp"

#include <cstddef>
#include <ranges>

namespace vexari::api {

namespace {

// {"point", "value", "converged", "iterations", "history": [{"iteration", "point", "value", "gradient"}, ...]}
Ref optimize_result_to_dict(const core::OptimizeResult& result) {
    const core::OptimizeHistory& steps = result.history;
    Ref history = list_of(std::views::iota(std::size_t{0}, steps.size()), [&steps](std::size_t i) {
        return dict_of(entry<"iteration">(steps.iteration(i)), entry<"point">(steps.point(i)),
                       entry<"value">(steps.value(i)), entry<"gradient">(steps.direction(i)));
    });
    return dict_of(entry<"point">(result.point), entry<"value">(result.value),
                   entry<"converged">(result.converged), entry<"iterations">(result.iterations),
                   entry<"history">(std::move(history)));
}

// A one-variable callable as an objective over one-element points: p -> f(p[0]).
class FirstCoordinate {
public:
    explicit FirstCoordinate(Scalar f) noexcept : f_(f) {}
    double operator()(const Vector& point) const { return f_(point[0]); }
    bool failed() const noexcept { return f_.failed(); }

private:
    Scalar f_;
};

Ref gradient_descent(Callable function, Vector start, double step_size, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    return optimize_result_to_dict(value_or_raise(
        slot, core::optimize::gradient_descent(VectorScalar(function, slot), start, step_size, tol, max_iter)));
}

Ref tangent_minimize(Callable function, double start, double step_size, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    return optimize_result_to_dict(value_or_raise(slot, core::optimize::gradient_descent(
                                                            FirstCoordinate(Scalar(function, slot)), Vector{start},
                                                            step_size, tol, max_iter)));
}

Ref stationary_newton(Callable function, double start, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    return optimize_result_to_dict(
        value_or_raise(slot, core::optimize::stationary_newton(Scalar(function, slot), start, tol, max_iter)));
}

Ref gauss_newton(Callable function, Vector start, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    return optimize_result_to_dict(value_or_raise(
        slot, core::optimize::gauss_newton(VectorVector(function, slot), start, tol, max_iter,
                                           SparseInterruptWatch(slot))));
}

}  // namespace

void register_optimize(PyObject* module) {
    add_functions<
        Function<"gradient_descent(function, start, step_size=0.01, tol=1e-8, max_iter=1000)", gradient_descent>,
        Function<"tangent_minimize(function, start, step_size=0.01, tol=1e-8, max_iter=1000)", tangent_minimize>,
        Function<"stationary_newton(function, start, tol=1e-8, max_iter=100)", stationary_newton>,
        Function<"gauss_newton(function, start, tol=1e-8, max_iter=100)", gauss_newton>>(module);
}

}  // namespace vexari::api
