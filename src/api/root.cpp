#include "api/register.hpp"

#include "api/callback.hpp"
#include "build.hpp"
#include "core/root.hpp"
#include "function.hpp"

namespace vexari::api {

namespace {

// {"root", "converged", "iterations", "history": [{"iteration", "x", "fx", "slope", "next_x"}, ...]}
Ref root_result_to_dict(const core::RootResult& result) {
    Ref history = list_of(result.history, [](const core::RootStep& step) {
        return dict_of(entry<"iteration">(step.iteration), entry<"x">(step.x), entry<"fx">(step.fx),
                       entry<"slope">(step.slope), entry<"next_x">(step.next_x));
    });
    return dict_of(entry<"root">(result.root), entry<"converged">(result.converged),
                   entry<"iterations">(result.iterations), entry<"history">(std::move(history)));
}

Ref newton(Callable function, double x0, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    return root_result_to_dict(value_or_raise(slot, core::root::newton(Scalar(function, slot), x0, tol, max_iter)));
}

Ref halley(Callable function, double x0, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    return root_result_to_dict(value_or_raise(slot, core::root::halley(Scalar(function, slot), x0, tol, max_iter)));
}

Ref householder(Callable function, double x0, std::uint64_t order, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    return root_result_to_dict(
        value_or_raise(slot, core::root::householder(Scalar(function, slot), x0, order, tol, max_iter)));
}

}  // namespace

void register_root(PyObject* module) {
    add_functions<Function<"newton(function, x0, tol=1e-10, max_iter=50)", newton>,
                  Function<"halley(function, x0, tol=1e-10, max_iter=50)", halley>,
                  Function<"householder(function, x0, order=3, tol=1e-10, max_iter=50)", householder>>(module);
}

}  // namespace vexari::api
