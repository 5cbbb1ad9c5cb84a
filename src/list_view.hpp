#pragma once
// The items of an exact list read where they lie, as doubles or as rows,
// without converting the list first. Reading an item of any other type than
// the one expected raises a flag the reader owns; what such an item reads as
// is never part of an answer.

#include "python.hpp"

#include <cstddef>

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
// flag, and that item reads as 0.0.
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

}  // namespace vexari
