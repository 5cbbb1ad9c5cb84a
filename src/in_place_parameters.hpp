#pragma once
// The read-only Vector and Matrix parameters. Each holds a list left
// unconverted at matching time (deferred, for read_in_place to read where its
// items lie), a standard numeric buffer, or the converted values.

#include "convert.hpp"
#include "double_buffer.hpp"
#include "list_view.hpp"

#include <cstddef>
#include <span>
#include <string_view>
#include <utility>

namespace vexari {

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
    Vector vector_;  // before buffer_, which is read into it when no buffer holds the values
    DoubleBuffer buffer_;
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

}  // namespace vexari
