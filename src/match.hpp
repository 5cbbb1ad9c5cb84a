#pragma once
// The argument matcher: fills one slot per parameter from a fast call's
// positional arguments and keyword names, with the interpreter's own wording
// for every mismatch. Unfilled slots stay NULL and take their defaults later.

#include "python.hpp"

#include <atomic>
#include <cstddef>
#include <span>
#include <string_view>
#include <utility>

namespace vexari {

struct CallShape {
    std::string_view name;
    std::span<const std::string_view> parameters;
    std::size_t required;
    // One cell per parameter: its name as the interpreter's interned str, or
    // NULL until the first call with keywords makes it (match.cpp says when).
    std::span<std::atomic<PyObject*>> interned;
};

// slots has one entry per parameter; entries are borrowed from the call.
// Throws PythonError with TypeError set when the call does not fit.
void match_arguments(const CallShape& shape, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                     PyObject** slots);

// Slot i takes the i-th positional argument, or NULL past the given ones. One
// statement a slot, not a loop: a compiler turns the loop into a copy and a
// clear of a run-time length, which it may lower to a copy byte by byte.
template <std::size_t... I>
inline void fill_positional(PyObject* const* args, std::size_t given, PyObject** slots,
                            std::index_sequence<I...>) {
    ((slots[I] = I < given ? args[I] : nullptr), ...);
}

// A call that fits and names every keyword by a parameter's interned str,
// the very object the compiler puts in the call site's keyword tuple: the
// names match by identity, with no string compared. Anything else (a name
// that is equal but another object, an unknown name, a slot filled twice, a
// missing or surplus argument) answers false and leaves the whole call to
// match_arguments, which starts over and words the failure.
//
// Count is the number of parameters, known where the function is declared.
template <std::size_t Count>
inline bool match_interned_keywords(const CallShape& shape, PyObject* const* args, std::size_t given,
                                    PyObject* kwnames, PyObject** slots) {
    constexpr std::size_t count = Count;
    if (given > count) return false;
    fill_positional(args, given, slots, std::make_index_sequence<Count>{});
    const auto keywords = static_cast<std::size_t>(PyTuple_GET_SIZE(kwnames));
    for (std::size_t k = 0; k < keywords; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, static_cast<Py_ssize_t>(k));
        std::size_t slot = 0;
        while (slot < count && shape.interned[slot].load(std::memory_order_acquire) != key) ++slot;
        if (slot == count || slots[slot] != nullptr) return false;
        slots[slot] = args[given + k];
    }
    // Every required slot, the positional ones too (they are filled): a bound
    // that only counts up from 0 cannot step past the slots.
    for (std::size_t i = 0; i < shape.required; ++i)
        if (slots[i] == nullptr) return false;
    return true;
}

// The same, with the commonest calls (positional arguments only, as many as
// the parameters need; or keywords by their interned names) filled in line.
// Count is shape.parameters.size(), as above.
template <std::size_t Count>
inline void match_arguments_fast(const CallShape& shape, PyObject* const* args, Py_ssize_t nargs,
                                 PyObject* kwnames, PyObject** slots) {
    const auto given = static_cast<std::size_t>(PyVectorcall_NARGS(static_cast<std::size_t>(nargs)));
    constexpr std::size_t count = Count;
    if (kwnames == nullptr && given >= shape.required && given <= count) {
        fill_positional(args, given, slots, std::make_index_sequence<Count>{});
        return;
    }
    if (kwnames == nullptr || !match_interned_keywords<Count>(shape, args, given, kwnames, slots))
        match_arguments(shape, args, nargs, kwnames, slots);
}

}  // namespace vexari
