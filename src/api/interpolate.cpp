#include "api/areas.hpp"

#include "api/callback.hpp"
#include "api/interruption.hpp"
#include "build.hpp"
#include "core/interpolate.hpp"
#include "function.hpp"
#include "outcome.hpp"

namespace vexari::api {

namespace {

// Memory is handed out lazily: a block that could never be backed is refused
// at once, but the several blocks of a result may each be granted and then run
// the process out of memory part way, after the function has been called for
// every point. So a result's whole footprint (counted low, from the sizes of
// its objects alone) is first asked for in one block and given back; a count
// that cannot be stored is MemoryError before anything is built or called.
void require_storable(std::uint64_t count, std::size_t bytes_per_point) {
    constexpr auto limit = static_cast<std::uint64_t>(PY_SSIZE_T_MAX);
    void* probe = count <= limit / bytes_per_point ? PyMem_RawMalloc(count * bytes_per_point) : nullptr;
    if (probe == nullptr && count != 0) {
        PyErr_NoMemory();
        throw_python_error();
    }
    PyMem_RawFree(probe);
}

// Per point of a grid: the double, its list slot and its float.
std::size_t grid_point_bytes() {
    return sizeof(double) + sizeof(PyObject*) + static_cast<std::size_t>(PyFloat_Type.tp_basicsize);
}

// Per sample: the pair, its list slot, its dict (without the table) and two floats.
std::size_t sample_bytes() {
    return sizeof(core::interpolate::Sample) + sizeof(PyObject*) + static_cast<std::size_t>(PyDict_Type.tp_basicsize) +
           2 * static_cast<std::size_t>(PyFloat_Type.tp_basicsize);
}

Ref linspace(double start, double end, std::uint64_t count) {
    require_storable(count, grid_point_bytes());
    return to_python(core::interpolate::linspace(start, end, count));
}

// [{"x", "y"}, ...] in grid order. The result list is taken at its full length
// before the function first runs.
Ref sample_grid(Callable function, double start, double end, std::uint64_t count) {
    require_storable(count, sample_bytes());
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
