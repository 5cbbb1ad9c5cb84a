#pragma once
// Read-only Vector and Matrix parameters, read where their values lie instead
// of being copied out first. A list of floats is the common argument; its items
// are Python float objects, so converting it means a pass over the list and a
// second over the copy, where the reading routine alone needs one.
//
// A list argument is left unconverted at matching time (deferred) when nothing
// after it in the call can run Python code or fail, so no caller can tell that
// its conversion moved. The routine then runs once over the items as they lie,
// under the list's critical section on a free-threaded build, and every item
// it reads is checked to be an exact float as it is read: checking in a pass
// of its own would cost as much again as the read itself. Its answer stands
// only when every item of every list was seen to be a float: read by a
// routine that succeeded and is known to read all of that list when it does,
// or checked afterwards, still within the section. Otherwise the answer is
// dropped, the lists convert as any Vector argument does (each item once, in
// order, failures naming the parameter) and the routine runs again on the
// converted values. So no item that would not convert goes unseen, whatever
// the routine reads; the routine must be pure, as the routines of core are.

#include "convert.hpp"
#include "core/error.hpp"
#include "critical_section.hpp"
#include "double_buffer.hpp"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

namespace vexari {

// The items of an exact list as they lie, and the flag that reading an item
// of any other type raises.
class ListItems {
public:
    ListItems() noexcept = default;  // no items
    ListItems(PyObject* list, bool& met_other_item) noexcept
        : items_(reinterpret_cast<PyListObject*>(list)->ob_item),
          size_(static_cast<std::size_t>(PyList_GET_SIZE(list))),
          met_other_item_(&met_other_item) {}

    std::size_t size() const noexcept { return size_; }

protected:
    PyObject* const* items_ = nullptr;
    std::size_t size_ = 0;
    bool* met_other_item_ = nullptr;
};

// The items as doubles; reading an item that is not an exact float raises the
// flag, and what that item reads as (0.0) is never part of an answer.
class ListValues : public ListItems {
public:
    using ListItems::ListItems;
    double operator[](std::size_t i) const noexcept {
        PyObject* item = items_[i];
        if (Py_IS_TYPE(item, &PyFloat_Type)) [[likely]]
            return PyFloat_AS_DOUBLE(item);
        *met_other_item_ = true;
        return 0.0;
    }
};

// The items as rows; a row that is not an exact list reads as no items and
// raises the flag.
class ListRows : public ListItems {
public:
    using ListItems::ListItems;
    ListValues operator[](std::size_t i) const noexcept {
        PyObject* row = items_[i];
        if (PyList_CheckExact(row)) [[likely]]
            return ListValues(row, *met_other_item_);
        *met_other_item_ = true;
        return ListValues();
    }
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
    std::size_t list_size() const noexcept { return static_cast<std::size_t>(PyList_GET_SIZE(list_)); }

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

// A read-only Vector parameter: a deferred list, a standard numeric buffer
// read in place, or the converted values. A buffer of other items than
// contiguous doubles is read through a view typed by its format by a routine
// of this parameter alone, and widened into a Vector for one that reads
// another too (a routine per pair of formats would be too much code).
class InPlaceVector : public DeferredList {
public:
    InPlaceVector(PyObject* object, std::string_view name, bool defer);

    bool holds_only_floats() const noexcept { return vexari::holds_only_floats(list()); }
    ListValues in_place(bool& met_other_item) const noexcept { return ListValues(list(), met_other_item); }
    // The buffer whose items are widened as they are read, if that is what this holds.
    const DoubleBuffer* widening() const noexcept { return buffer_ && !buffer_.contiguous() ? &buffer_ : nullptr; }
    // Converts a deferred list, or widens a buffer, now; afterwards values() holds.
    void convert_deferred();
    std::span<const double> values() const noexcept {
        if (buffer_.contiguous()) return buffer_.span();
        return vector_;
    }

private:
    DoubleBuffer buffer_;
    Vector vector_;
};

// A read-only Matrix parameter: a deferred list of lists or the converted rows.
// A free-threaded build never defers it: its rows cannot all be locked at once.
class InPlaceMatrix : public DeferredList {
public:
    InPlaceMatrix(PyObject* object, std::string_view name, bool defer);

    bool holds_only_floats() const noexcept { return holds_only_float_rows(list()); }
    ListRows in_place(bool& met_other_item) const noexcept { return ListRows(list(), met_other_item); }
    void convert_deferred() { convert_deferred_into<Matrix, to_matrix>(matrix_); }
    const Matrix& values() const noexcept { return matrix_; }

private:
    Matrix matrix_;
};

namespace in_place_detail {

template <class T>
bool succeeded(const T&) noexcept {
    return true;
}
template <class T>
bool succeeded(const core::Outcome<T>& outcome) noexcept {
    return outcome.has_value();
}

}  // namespace in_place_detail

// Which lists a routine reads in full whenever it succeeds, given each
// argument's position and the sizes of all of them. Most read every item;
// those that may succeed without (find_peaks of fewer than three values,
// linear_interpolate, which reads two values of y) say so with their own.
struct ReadsEverything {
    template <class... Sizes>
    bool operator()(std::size_t, Sizes...) const noexcept {
        return true;
    }
};

// routine(values...) over the arguments: in place when every one of them is a
// deferred list and every item is seen to be a float, otherwise over the
// converted values, converted in parameter order (see above).
template <class Coverage, class Routine, class... Arguments>
auto read_in_place_covering(const Coverage& reads_in_full, Routine&& routine, Arguments&... arguments) {
    static_assert(sizeof...(Arguments) == 1 || sizeof...(Arguments) == 2, "one critical section holds at most two lists");
    if ((arguments.deferred() && ...)) {
        std::optional<decltype(routine(arguments.values()...))> answer;
        const auto read = [&] {
            bool met_other_item = false;
            auto result = routine(arguments.in_place(met_other_item)...);
            if (met_other_item) return;
            const bool read_all = in_place_detail::succeeded(result);
            std::size_t position = 0;
            const bool every_item_seen =
                (((read_all && reads_in_full(position++, arguments.list_size()...)) || arguments.holds_only_floats()) &&
                 ...);
            if (every_item_seen) answer.emplace(std::move(result));
        };
        if constexpr (sizeof...(Arguments) == 1) {
            const CriticalSection section(arguments.list()...);
            read();
        } else {
            const CriticalSection2 section(arguments.list()...);
            read();
        }
        if (answer) return std::move(*answer);
    }
    if constexpr (sizeof...(Arguments) == 1 && (std::is_same_v<Arguments, InPlaceVector> && ...)) {
        if (const DoubleBuffer* buffer = (arguments.widening(), ...)) return buffer->visit(routine);
    }
    (arguments.convert_deferred(), ...);
    return routine(arguments.values()...);
}

template <class Routine, class... Arguments>
auto read_in_place(Routine&& routine, Arguments&... arguments) {
    return read_in_place_covering(ReadsEverything{}, std::forward<Routine>(routine), arguments...);
}

}  // namespace vexari
