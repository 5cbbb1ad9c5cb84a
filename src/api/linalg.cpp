#include "api/register.hpp"

#include "api/callback.hpp"
#include "api/interrupt_watch.hpp"
#include "build.hpp"
#include "core/linalg.hpp"
#include "function.hpp"
#include "outcome.hpp"

#include <utility>

namespace vexari::api {

namespace {

Ref dot(InPlaceVector left, InPlaceVector right) {
    const auto routine = [](const auto& l, const auto& r) { return core::linalg::dot(l, r); };
    return to_python(value_or_raise(read_in_place(routine, left, right)));
}

Ref norm(InPlaceVector vector) {
    return to_python(read_in_place([](const auto& v) { return core::linalg::norm(v); }, vector));
}

Ref add(InPlaceVector left, InPlaceVector right) {
    const auto routine = [](const auto& l, const auto& r) { return core::linalg::add(l, r); };
    return to_python(value_or_raise(read_in_place(routine, left, right)));
}

Ref sub(InPlaceVector left, InPlaceVector right) {
    const auto routine = [](const auto& l, const auto& r) { return core::linalg::sub(l, r); };
    return to_python(value_or_raise(read_in_place(routine, left, right)));
}

Ref scale(InPlaceVector vector, double factor) {
    const auto routine = [](const auto& v, double f) { return core::linalg::scale(v, f); };
    return to_python(read_in_place(with_values(routine, factor), vector));
}

Ref mat_vec(InPlaceMatrix matrix, InPlaceVector vector) {
    const auto routine = [](const auto& m, const auto& v) { return core::linalg::mat_vec(m, v); };
    return to_python(value_or_raise(read_in_place(routine, matrix, vector)));
}

// The system is copied into one block first: a pure copy, so it may read the
// arguments in place, which the elimination may not (between its columns it
// looks for pending signals, and a signal handler is Python code). A large
// system takes a while and calls no Python, so a pending signal is looked for
// before each column; its exception is raised as it stands.
Ref solve(InPlaceMatrix matrix, InPlaceVector rhs) {
    core::linalg::SquareSystem system;
    const auto copy = [](const auto& m, const auto& b, core::linalg::SquareSystem* into) { return into->assign(m, b); };
    value_or_raise(read_in_place(with_values(copy, &system), matrix, rhs));
    ErrorSlot slot;
    return to_python(value_or_raise(slot, system.solve(InterruptWatch(slot))));
}

}  // namespace

void register_linalg(PyObject* module) {
    add_functions<Function<"dot(left, right)", dot>, Function<"norm(vector)", norm>,
                  Function<"add(left, right)", add>, Function<"sub(left, right)", sub>,
                  Function<"scale(vector, factor)", scale>, Function<"mat_vec(matrix, vector)", mat_vec>,
                  Function<"solve(matrix, rhs)", solve>>(module);
}

}  // namespace vexari::api
