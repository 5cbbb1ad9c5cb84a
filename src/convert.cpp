#include "convert.hpp"

#include "array_export.hpp"
#include "critical_section.hpp"
#include "interrupt_poll.hpp"

#include <algorithm>
#include <optional>
#include <string>

namespace vexari {

namespace {

// A lying __len__ must not make us reserve gigabytes up front.
constexpr Py_ssize_t max_capacity_hint = Py_ssize_t{1} << 16;

double read_double(PyObject* item) { return to_double(item); }

// The buffer's items widened to doubles into items.
void read_double_buffer(const DoubleBuffer& buffer, Vector& items) {
    if (buffer.contiguous()) {
        const std::span<const double> values = buffer.span();
        items.assign(values.begin(), values.end());
    } else {
        // Through a small block rather than into a resized Vector: zeroing
        // the Vector first would cost as much as widening into it.
        constexpr std::size_t block = 512;
        double widened[block];
        items.reserve(buffer.size());
        InterruptPoll poll;  // ticked once a block: a check every few milliseconds of widening
        for (std::size_t first = 0; first < buffer.size(); first += block) {
            const std::size_t count = std::min(block, buffer.size() - first);
            buffer.widen_into(first, count, widened);
            items.insert(items.end(), widened, widened + count);
            poll.tick();
        }
    }
}

// The buffer that holds a Vector argument's values, if it is read as one: a
// standard numeric buffer, or the array a data library exports.
DoubleBuffer vector_buffer(PyObject* object) {
    if (DoubleBuffer buffer = DoubleBuffer::of(object)) return buffer;
    return exported_buffer(object);
}

// The sequence rule shared by Vector and Matrix: no str, only objects passing
// the sequence check, then every item in iteration order. Lists and tuples are
// read directly; for a list that is exactly what its iterator does (the length
// is read afresh before every item, so a conversion that mutates the list is
// seen as it would be by iter()). A Vector read as a buffer is copied into
// items, or, given kept, held there instead and items left empty.
template <class Item, Item (*Read)(PyObject*)>
void read_sequence(PyObject* object, std::vector<Item>& items, std::optional<DoubleBuffer>* kept = nullptr) {
    items.clear();
    InterruptPoll poll;
    // The exact containers first: they are the common case and export no buffer.
    if (PyList_CheckExact(object)) {
        CriticalSection section(object);
        items.reserve(static_cast<std::size_t>(PyList_GET_SIZE(object)));
        // A signal's handler is Python code, and so may be an item's
        // conversion: either may change the list, whose length is therefore
        // read afresh after them, before every item.
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(object); ++i, poll.tick()) {
            PyObject* item = PyList_GET_ITEM(object, i);
            if constexpr (std::is_same_v<Item, double>) {
                if (PyFloat_CheckExact(item)) {
                    items.push_back(PyFloat_AS_DOUBLE(item));
                    continue;
                }
            }
            Ref held = Ref::borrow(item);
            items.push_back(Read(held.get()));
        }
        return;
    }
    if (PyTuple_CheckExact(object)) {
        const Py_ssize_t size = PyTuple_GET_SIZE(object);
        items.reserve(static_cast<std::size_t>(size));
        for (Py_ssize_t i = 0; i < size; ++i) {
            poll.tick();
            items.push_back(Read(PyTuple_GET_ITEM(object, i)));
        }
        return;
    }

    if (PyUnicode_Check(object)) raise(PyExc_TypeError, "Can't extract `str` to `Vec`");
    if (!PySequence_Check(object)) raise_cast_failure(object, "Sequence");
    if constexpr (std::is_same_v<Item, double>) {
        if (DoubleBuffer buffer = vector_buffer(object)) {
            if (kept != nullptr) kept->emplace(std::move(buffer));
            else read_double_buffer(buffer, items);
            return;
        }
    }

    const Py_ssize_t hint = PyObject_Length(object);
    if (hint < 0) PyErr_Clear();
    else items.reserve(static_cast<std::size_t>(std::min(hint, max_capacity_hint)));
    Ref iterator = checked(PyObject_GetIter(object));
    while (true) {
        poll.tick();
        Ref item = Ref::steal(PyIter_Next(iterator.get()));
        if (!item) {
            if (PyErr_Occurred()) throw_python_error();
            return;
        }
        items.push_back(Read(item.get()));
    }
}

}  // namespace

void raise_cast_failure(PyObject* object, const char* target) {
    if (object == Py_None) {
        PyErr_Format(PyExc_TypeError, "'None' is not an instance of '%s'", target);
    } else {
        Ref name = checked(PyType_GetQualName(Py_TYPE(object)));
        PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of '%s'", name.get(), target);
    }
    throw_python_error();
}

void rethrow_naming_argument(std::string_view name) {
    PyObject* raised = PyErr_GetRaisedException();
    if (raised == nullptr || Py_TYPE(raised) != reinterpret_cast<PyTypeObject*>(PyExc_TypeError)) {
        PyErr_SetRaisedException(raised);
        throw_python_error();
    }
    Ref original = Ref::steal(raised);
    Ref text = checked(PyObject_Str(original.get()));
    Ref message = checked(PyUnicode_FromFormat("argument '%.*s': %U", static_cast<int>(name.size()), name.data(), text.get()));
    PyErr_SetObject(PyExc_TypeError, message.get());
    if (PyObject* cause = PyException_GetCause(original.get())) {
        PyObject* renamed = PyErr_GetRaisedException();
        PyException_SetCause(renamed, cause);
        PyErr_SetRaisedException(renamed);
    }
    throw_python_error();
}

std::uint64_t to_count(PyObject* object) {
    if (PyLong_Check(object)) {
        const unsigned long long value = PyLong_AsUnsignedLongLong(object);
        if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw_python_error();
        return value;
    }
    Ref index = checked(PyNumber_Index(object));
    const unsigned long long value = PyLong_AsUnsignedLongLong(index.get());
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw_python_error();
    return value;
}

bool to_flag(PyObject* object) {
    if (object == Py_True) return true;
    if (object == Py_False) return false;
    // NumPy's boolean scalar is accepted too, read through its own truth slot.
    PyTypeObject* type = Py_TYPE(object);
    Ref module = Ref::steal(PyType_GetModuleName(type));
    Ref name = Ref::steal(PyType_GetName(type));
    if (!module || !name) {
        PyErr_Clear();
    } else if (PyUnicode_EqualToUTF8(module.get(), "numpy") &&
               (PyUnicode_EqualToUTF8(name.get(), "bool_") || PyUnicode_EqualToUTF8(name.get(), "bool"))) {
        const auto truth = type->tp_as_number != nullptr ? type->tp_as_number->nb_bool : nullptr;
        if (truth == nullptr) {
            PyErr_Format(PyExc_TypeError, "object of type '%U' does not define a '__bool__' conversion", name.get());
            throw_python_error();
        }
        const int value = truth(object);
        if (value < 0) throw_python_error();
        return value != 0;
    }
    raise_cast_failure(object, "bool");
}

std::string_view to_text(PyObject* object) {
    if (!PyUnicode_Check(object)) raise_cast_failure(object, "str");
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(object, &size);
    if (data == nullptr) throw_python_error();
    return {data, static_cast<std::size_t>(size)};
}

Vector to_vector(PyObject* object) {
    Vector items;
    read_sequence<double, read_double>(object, items);
    return items;
}

void read_vector_into(PyObject* object, Vector& items) { read_sequence<double, read_double>(object, items); }

DoubleBuffer read_vector_or_buffer(PyObject* object, Vector& items) {
    std::optional<DoubleBuffer> kept;
    read_sequence<double, read_double>(object, items, &kept);
    return kept ? std::move(*kept) : DoubleBuffer();
}

Matrix to_matrix(PyObject* object) {
    Matrix rows;
    read_sequence<Vector, to_vector>(object, rows);
    return rows;
}

Pair to_pair(PyObject* object) {
    if (!PyTuple_Check(object)) raise_cast_failure(object, "tuple");
    const Py_ssize_t size = PyTuple_GET_SIZE(object);
    if (size != 2) {
        PyErr_Format(PyExc_ValueError, "expected tuple of length 2, but got tuple of length %zd", size);
        throw_python_error();
    }
    const double first = to_double(PyTuple_GET_ITEM(object, 0));
    const double second = to_double(PyTuple_GET_ITEM(object, 1));
    return {first, second};
}

}  // namespace vexari
