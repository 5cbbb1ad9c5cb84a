#include "api/areas.hpp"

#include "api/callback.hpp"
#include "build.hpp"
#include "core/linalg.hpp"
#include "function.hpp"
#include "outcome.hpp"

#include <utility>

namespace vexari::api {

namespace {

Ref dot(Vector left, Vector right) { return to_python(value_or_raise(core::linalg::dot(left, right))); }

Ref norm(Vector vector) { return to_python(core::linalg::norm(vector)); }

Ref add(Vector left, Vector right) { return to_python(value_or_raise(core::linalg::add(left, right))); }

Ref sub(Vector left, Vector right) { return to_python(value_or_raise(core::linalg::sub(left, right))); }

Ref scale(Vector vector, double factor) { return to_python(core::linalg::scale(vector, factor)); }

Ref mat_vec(Matrix matrix, Vector vector) {
    return to_python(value_or_raise(core::linalg::mat_vec(matrix, vector)));
}

// The converted arguments are this call's own, so the solver may eliminate in
// them. A large system takes a while and calls no Python, so a pending signal
// is looked for before each column; its exception is raised as it stands.
Ref solve(Matrix matrix, Vector rhs) {
    ErrorSlot slot;
    core::Outcome<Vector> x = core::linalg::solve(std::move(matrix), std::move(rhs),
                                                  [&slot] { return callback_detail::interrupted(slot); });
    slot.raise_if_holding();
    return to_python(value_or_raise(std::move(x)));
}

}  // namespace

void register_linalg(PyObject* module) {
    add_functions<Function<"dot(left, right)", dot>, Function<"norm(vector)", norm>,
                  Function<"add(left, right)", add>, Function<"sub(left, right)", sub>,
                  Function<"scale(vector, factor)", scale>, Function<"mat_vec(matrix, vector)", mat_vec>,
                  Function<"solve(matrix, rhs)", solve>>(module);
}

}  // namespace vexari::api
