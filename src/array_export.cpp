#include "array_export.hpp"

#include "lazy.hpp"
#include "ref.hpp"

#include <atomic>
#include <bit>
#include <cstdint>
#include <string_view>

namespace vexari {

namespace {

enum class Exporter : unsigned char {
    unknown,
    // Items are plain numbers (or numpy scalars, or 0-d arrays) equal to the exported values.
    items_convert_as_exported,
    // Items are the library's own scalars, which convert only for numeric types.
    items_convert_by_type,
};

Exporter exporter_of_module(std::string_view module) {
    const std::string_view package = module.substr(0, module.find('.'));
    if (package == "pandas" || package == "polars" || package == "xarray") return Exporter::items_convert_as_exported;
    if (package == "pyarrow") return Exporter::items_convert_by_type;
    return Exporter::unknown;
}

// With an exception pending from the exporter's code: an Exception is its
// refusal, so it is dropped and the caller reads item by item; anything else
// (KeyboardInterrupt, SystemExit) ends the call as it would anywhere.
void drop_refusal() {
    if (!PyErr_ExceptionMatches(PyExc_Exception)) throw_python_error();
    PyErr_Clear();
}

// type's resolution order, held by a reference of our own, or none for a
// class not yet ready. tp_mro may not be read bare: on the free-threaded build
// another thread assigning the class's __bases__ swaps the tuple and drops the
// old one meanwhile. type's own __mro__ getter reads it under the
// interpreter's type lock; it is called directly rather than looked up on the
// class, so that a metaclass defining __mro__ runs no code of its own here.
Ref resolution_order(PyTypeObject* type) {
    static constinit std::atomic<PyObject*> cell{nullptr};
    PyObject* getter = create_once(cell, [] {
        const Ref dict = Ref::steal(PyType_GetDict(&PyType_Type));
        PyObject* found = nullptr;
        if (dict && PyDict_GetItemRef(dict.get(), interned<"__mro__">(), &found) == 0)
            PyErr_SetString(PyExc_SystemError, "type has no __mro__ getter");
        return found;
    });
    Ref order = Ref::steal(Py_TYPE(getter)->tp_descr_get(getter, reinterpret_cast<PyObject*>(type),
                                                         reinterpret_cast<PyObject*>(Py_TYPE(type))));
    if (!order) throw_python_error();
    return PyTuple_Check(order.get()) ? std::move(order) : Ref();
}

// The kind of the class in type's resolution order that defines the
// __array__ an instance would call: that class's library decides. A class
// that cannot say its module (one made where globals had no __name__) is of
// no library, and a failure to look is no error of the call's.
Exporter exporter_of(PyTypeObject* type) {
    const Ref order = resolution_order(type);
    if (!order) return Exporter::unknown;
    PyObject* name = interned<"__array__">();
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(order.get()); ++i) {
        auto* base = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(order.get(), i));
        const Ref dict = Ref::steal(PyType_GetDict(base));
        const int defines = dict ? PyDict_Contains(dict.get(), name) : -1;
        if (defines == 0) continue;
        const Ref module = defines > 0 ? Ref::steal(PyType_GetModuleName(base)) : Ref();
        Py_ssize_t size = 0;
        const char* text = module && PyUnicode_Check(module.get()) ? PyUnicode_AsUTF8AndSize(module.get(), &size) : nullptr;
        if (text == nullptr) {
            if (PyErr_Occurred()) drop_refusal();
            return Exporter::unknown;
        }
        return exporter_of_module({text, static_cast<std::size_t>(size)});
    }
    return Exporter::unknown;
}

// A dtype of NumPy's: its class or a base is NumPy's own dtype class, which
// is no heap type, so that a class written in Python cannot pass for it.
bool is_numpy_dtype(PyObject* dtype) {
    const Ref order = resolution_order(Py_TYPE(dtype));
    for (Py_ssize_t i = 0; order && i < PyTuple_GET_SIZE(order.get()); ++i) {
        auto* base = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(order.get(), i));
        if (!PyType_HasFeature(base, Py_TPFLAGS_HEAPTYPE) && std::string_view(base->tp_name) == "numpy.dtype")
            return true;
    }
    return false;
}

// Whether a NaN that object exports is a value it holds rather than a missing
// one: its dtype is NumPy's, which has no missing value (numpy-backed pandas
// objects, xarray's), or it counts no nulls (pyarrow's null_count, polars'
// null_count()). Otherwise the export must be scanned for NaN.
bool nan_is_a_value(PyObject* object) {
    PyObject* found = nullptr;
    if (PyObject_GetOptionalAttr(object, interned<"dtype">(), &found) < 0) {
        drop_refusal();
        return false;
    }
    const Ref dtype = Ref::steal(found);
    if (dtype && is_numpy_dtype(dtype.get())) return true;
    if (PyObject_GetOptionalAttr(object, interned<"null_count">(), &found) < 0) {
        drop_refusal();
        return false;
    }
    const Ref nulls = Ref::steal(found);
    if (!nulls) return false;
    const Ref count = PyCallable_Check(nulls.get()) ? Ref::steal(PyObject_CallNoArgs(nulls.get())) : Ref::borrow(nulls.get());
    if (!count) {
        drop_refusal();
        return false;
    }
    if (!PyLong_CheckExact(count.get())) return false;
    const long none = PyLong_AsLong(count.get());
    if (none == -1 && PyErr_Occurred()) drop_refusal();  // a count past a long: some nulls
    return none == 0;
}

// Whether object's first item converts to the buffer's first value, bit for
// bit, as the item path would convert it; the buffer has at least one item.
bool first_item_converts_as_exported(PyObject* object, const DoubleBuffer& buffer) {
    const Ref iterator = Ref::steal(PyObject_GetIter(object));
    const Ref first = iterator ? Ref::steal(PyIter_Next(iterator.get())) : Ref();
    if (!first) {
        if (PyErr_Occurred()) drop_refusal();
        return false;
    }
    const double value = PyFloat_AsDouble(first.get());
    if (value == -1.0 && PyErr_Occurred()) {
        drop_refusal();
        return false;
    }
    double exported = 0.0;
    buffer.widen_into(0, 1, &exported);
    return std::bit_cast<std::uint64_t>(value) == std::bit_cast<std::uint64_t>(exported);
}

}  // namespace

DoubleBuffer exported_buffer(PyObject* object) {
    // A buffer is decided on by the buffer route alone.
    if (PyObject_CheckBuffer(object)) return {};
    const Exporter exporter = exporter_of(Py_TYPE(object));
    if (exporter == Exporter::unknown) return {};

    Ref array = Ref::steal(PyObject_CallMethodNoArgs(object, interned<"__array__">()));
    if (!array) {
        drop_refusal();
        return {};
    }
    DoubleBuffer buffer = DoubleBuffer::of_exported(array.get());
    if (!buffer) return {};
    const Py_ssize_t size = PyObject_Length(object);
    if (size < 0) {
        drop_refusal();
        return {};
    }
    if (static_cast<std::size_t>(size) != buffer.size()) return {};
    if (buffer.may_hold_nan() && !nan_is_a_value(object) && buffer.holds_nan()) return {};
    if (exporter == Exporter::items_convert_by_type && size > 0 && !first_item_converts_as_exported(object, buffer))
        return {};
    return buffer;
}

}  // namespace vexari
