#pragma once
// Read-only Vector and Matrix parameters, read where their values lie instead
// of being copied out first. A list of floats is the common argument; its items
// are Python float objects, so converting it means a pass over the list and a
// second over the copy, where the reading routine alone needs one.
//
// A list argument is left unconverted at matching time (deferred) when nothing
// after it in the call can run Python code or fail, so no caller can tell that
// its conversion moved. The routine then reads the list in place, under the
// list's critical section on a free-threaded build. The in-place read assumes
// every item is an exact float; any other item spoils the read, its result is
// dropped, and the routine runs again on the converted values (converted
// exactly as a Vector parameter is, failures naming the parameter). The routine
// must therefore be pure: the numerical routines of core are.

#include "convert.hpp"
#include "critical_section.hpp"
#include "double_buffer.hpp"

#include <array>
#include <span>
#include <string_view>
#include <utility>

namespace vexari {

// The items of an exact list as they lie, and the flag a read of an item of
// the wrong type raises.
class ListItems {
public:
    ListItems() noexcept = default;  // no items
    ListItems(PyObject* list, bool& spoiled) noexcept
        : items_(reinterpret_cast<PyListObject*>(list)->ob_item),
          size_(static_cast<std::size_t>(PyList_GET_SIZE(list))),
          spoiled_(&spoiled) {}

    std::size_t size() const noexcept { return size_; }

protected:
    PyObject* const* items_ = nullptr;
    std::size_t size_ = 0;
    bool* spoiled_ = nullptr;
};

// The items as doubles; an item that is not an exact float reads as 0.0 and
// marks the read spoiled.
class ListValues : public ListItems {
public:
    using ListItems::ListItems;
    double operator[](std::size_t i) const noexcept {
        PyObject* item = items_[i];
        if (Py_IS_TYPE(item, &PyFloat_Type)) [[likely]]
            return PyFloat_AS_DOUBLE(item);
        *spoiled_ = true;
        return 0.0;
    }
};

// The items as rows; a row that is not an exact list reads as no items and
// marks the read spoiled.
class ListRows : public ListItems {
public:
    using ListItems::ListItems;
    ListValues operator[](std::size_t i) const noexcept {
        PyObject* row = items_[i];
        if (PyList_CheckExact(row)) [[likely]]
            return ListValues(row, *spoiled_);
        *spoiled_ = true;
        return ListValues();
    }
};

// What the read-only parameters share: the list left unconverted, if any, and
// the parameter's name for a conversion that fails later.
class DeferredList {
public:
    bool deferred() const noexcept { return list_ != nullptr; }
    PyObject* list() const noexcept { return list_; }

protected:
    DeferredList(PyObject* list, std::string_view name) noexcept : list_(list), name_(name) {}

    // Converts a deferred list into target, naming the parameter if that
    // fails; the list is no longer deferred afterwards.
    template <class T, T (*Convert)(PyObject*)>
    void settle_into(T& target) {
        if (list_ == nullptr) return;
        try {
            target = Convert(std::exchange(list_, nullptr));
        } catch (const PythonError&) {
            rethrow_naming_argument(name_);
        }
    }

private:
    PyObject* list_;
    std::string_view name_;
};

// A read-only Vector parameter: a deferred list, a standard buffer of doubles
// read in place, or the converted values.
class InPlaceVector : public DeferredList {
public:
    InPlaceVector(PyObject* object, std::string_view name, bool defer);

    ListValues in_place(bool& spoiled) const noexcept { return ListValues(list(), spoiled); }
    // Converts a deferred list now; afterwards values() holds.
    void settle() { settle_into<Vector, to_vector>(vector_); }
    std::span<const double> values() const noexcept {
        if (buffer_) return buffer_.span();
        return vector_;
    }

private:
    DoubleBuffer buffer_;  // held only when contiguous
    Vector vector_;
};

// A read-only Matrix parameter: a deferred list of lists or the converted rows.
// A free-threaded build never defers it: its rows cannot all be locked at once.
class InPlaceMatrix : public DeferredList {
public:
    InPlaceMatrix(PyObject* object, std::string_view name, bool defer);

    ListRows in_place(bool& spoiled) const noexcept { return ListRows(list(), spoiled); }
    void settle() { settle_into<Matrix, to_matrix>(matrix_); }
    const Matrix& values() const noexcept { return matrix_; }

private:
    Matrix matrix_;
};

// routine(values...) over the arguments: in place when every one of them is a
// deferred list, otherwise (or when the in-place read was spoiled) over the
// converted values, converted in parameter order.
template <class Routine, class... Arguments>
auto read_in_place(Routine&& routine, Arguments&... arguments) {
    static_assert(sizeof...(Arguments) == 1 || sizeof...(Arguments) == 2, "one critical section holds at most two lists");
    if ((arguments.deferred() && ...)) {
        bool spoiled = false;
        auto result = [&] {
            const std::array<PyObject*, sizeof...(Arguments)> lists{arguments.list()...};
            if constexpr (sizeof...(Arguments) == 1) {
                const CriticalSection section(lists[0]);
                return routine(arguments.in_place(spoiled)...);
            } else {
                const CriticalSection2 section(lists[0], lists[1]);
                return routine(arguments.in_place(spoiled)...);
            }
        }();
        if (!spoiled) return result;
    }
    (arguments.settle(), ...);
    return routine(arguments.values()...);
}

}  // namespace vexari
