#pragma once
// Read-only Vector and Matrix parameters, read where their values lie instead
// of being copied out first. A list of floats is the common argument; its items
// are Python float objects, so converting it means a pass over the list and a
// second over the copy, where the reading routine alone needs one.
//
// A list argument is left unconverted at matching time (deferred) when nothing
// after it in the call can run Python code or fail, so no caller can tell that
// its conversion moved. When the routine is about to run, the list is checked,
// under its critical section on a free-threaded build, to hold exact floats
// only; only then is it read in place, within the same section, so the values
// read are the values checked. Any other item means the list converts as any
// Vector argument does (each item once, in order, failures naming the
// parameter) and the routine runs once, over the converted values. So the
// routine never sees an item that would not convert, whether or not it would
// have read it.

#include "convert.hpp"
#include "critical_section.hpp"
#include "double_buffer.hpp"

#include <optional>
#include <span>
#include <string_view>
#include <utility>

namespace vexari {

// The items of an exact list as they lie.
class ListItems {
public:
    ListItems() noexcept = default;  // no items
    explicit ListItems(PyObject* list) noexcept
        : items_(reinterpret_cast<PyListObject*>(list)->ob_item),
          size_(static_cast<std::size_t>(PyList_GET_SIZE(list))) {}

    std::size_t size() const noexcept { return size_; }

protected:
    PyObject* const* items_ = nullptr;
    std::size_t size_ = 0;
};

// The items as doubles; made only over a list found to hold exact floats.
class ListValues : public ListItems {
public:
    using ListItems::ListItems;
    double operator[](std::size_t i) const noexcept { return PyFloat_AS_DOUBLE(items_[i]); }
};

// The items as rows; made only over a list of exact lists of exact floats.
class ListRows : public ListItems {
public:
    using ListItems::ListItems;
    ListValues operator[](std::size_t i) const noexcept { return ListValues(items_[i]); }
};

// Whether every item of an exact list is an exact float; the caller holds the
// list's critical section.
bool holds_only_floats(PyObject* list) noexcept;
// Whether every item of an exact list is an exact list holding only floats.
bool holds_only_float_rows(PyObject* list) noexcept;

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
    void convert_deferred_into(T& target) {
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

    bool readable_in_place() const noexcept { return holds_only_floats(list()); }
    ListValues in_place() const noexcept { return ListValues(list()); }
    // Converts a deferred list now; afterwards values() holds.
    void convert_deferred() { convert_deferred_into<Vector, to_vector>(vector_); }
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

    bool readable_in_place() const noexcept { return holds_only_float_rows(list()); }
    ListRows in_place() const noexcept { return ListRows(list()); }
    void convert_deferred() { convert_deferred_into<Matrix, to_matrix>(matrix_); }
    const Matrix& values() const noexcept { return matrix_; }

private:
    Matrix matrix_;
};

// routine(values...) over the arguments, run once: in place when every one of
// them is a deferred list holding floats only, otherwise over the converted
// values, converted in parameter order.
template <class Routine, class... Arguments>
auto read_in_place(Routine&& routine, Arguments&... arguments) {
    static_assert(sizeof...(Arguments) == 1 || sizeof...(Arguments) == 2, "one critical section holds at most two lists");
    if ((arguments.deferred() && ...)) {
        std::optional<decltype(routine(arguments.in_place()...))> result;
        const auto read = [&] {
            if ((arguments.readable_in_place() && ...)) result.emplace(routine(arguments.in_place()...));
        };
        if constexpr (sizeof...(Arguments) == 1) {
            const CriticalSection section(arguments.list()...);
            read();
        } else {
            const CriticalSection2 section(arguments.list()...);
            read();
        }
        if (result) return std::move(*result);
    }
    (arguments.convert_deferred(), ...);
    return routine(arguments.values()...);
}

}  // namespace vexari
