#include "api/optimize.hpp"

#include "api/areas.hpp"

#include "api/callback.hpp"
#include "build.hpp"
#include "function.hpp"

namespace vexari::api {

Ref optimize_result_to_dict(const core::OptimizeResult& result) {
    Ref history = list_of(result.history, [](const core::OptimizeStep& step) {
        return dict_of(entry<"iteration">(step.iteration), entry<"point">(to_python(step.point)),
                       entry<"value">(step.value), entry<"gradient">(to_python(step.gradient)));
    });
    return dict_of(entry<"point">(to_python(result.point)), entry<"value">(result.value),
                   entry<"converged">(result.converged), entry<"iterations">(result.iterations),
                   entry<"history">(std::move(history)));
}

void register_optimize(PyObject* module) {
    add_functions<>(module);
}

}  // namespace vexari::api
