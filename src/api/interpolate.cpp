#include "api/areas.hpp"

#include "api/callback.hpp"
#include "api/interruption.hpp"
#include "build.hpp"
#include "core/interpolate.hpp"
#include "function.hpp"
#include "outcome.hpp"

namespace vexari::api {

namespace {

// A count whose points could never be held at once (bytes_per_point each, in
// one block) is refused as MemoryError before anything is built or called.
void require_storable(std::uint64_t count, std::size_t bytes_per_point) {
    constexpr auto limit = static_cast<std::uint64_t>(PY_SSIZE_T_MAX);
    if (count > limit / bytes_per_point) {
        PyErr_NoMemory();
        throw_python_error();
    }
}

Ref linspace(double start, double end, std::uint64_t count) {
    require_storable(count, sizeof(double));
    return to_python(core::interpolate::linspace(start, end, count));
}

// [{"x", "y"}, ...] in grid order. The result list is taken at its full length
// before the function first runs, so a grid too large to return fails before
// any call rather than after all of them.
Ref sample_grid(Callable function, double start, double end, std::uint64_t count) {
    require_storable(count, sizeof(core::interpolate::Sample));
    Ref list = checked(PyList_New(static_cast<Py_ssize_t>(count)));
    ErrorSlot slot;
    const auto samples = core::interpolate::sample_grid(Scalar(function, slot), start, end, count);
    slot.raise_if_holding();
    Py_ssize_t index = 0;
    for (const auto& sample : samples) {
        Ref item = dict_of(entry<"x">(sample.x), entry<"y">(sample.y));
        PyList_SET_ITEM(list.get(), index++, item.release());
    }
    return list;
}

Ref linear_interpolate(Vector x, Vector y, double query) {
    return to_python(value_or_raise(core::interpolate::linear_interpolate(x, y, query)));
}

Ref lagrange_interpolate(Vector x, Vector y, double query) {
    ErrorSlot slot;
    return to_python(settle(slot, core::interpolate::lagrange_interpolate(x, y, query, SignalWatch(slot))));
}

Ref finite_difference(Vector values, double spacing) {
    return to_python(value_or_raise(core::interpolate::finite_difference(values, spacing)));
}

}  // namespace

void register_interpolate(PyObject* module) {
    add_functions<Function<"linspace(start, end, count)", linspace>,
                  Function<"sample_grid(function, start, end, count)", sample_grid>,
                  Function<"linear_interpolate(x, y, query)", linear_interpolate>,
                  Function<"lagrange_interpolate(x, y, query)", lagrange_interpolate>,
                  Function<"finite_difference(values, spacing)", finite_difference>>(module);
}

}  // namespace vexari::api
