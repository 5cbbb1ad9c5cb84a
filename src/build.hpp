#pragma once
// Building results: plain values to new Python objects, lists created at their
// final length and filled in order, dicts with interned keys inserted in the
// order given. Every builder throws PythonError on failure; whatever was built
// so far is released by its Ref.

#include "convert.hpp"
#include "lazy.hpp"
#include "signal_poll.hpp"

#include <cstdint>
#include <span>
#include <utility>

namespace vexari {

inline Ref to_python(double value) { return checked(PyFloat_FromDouble(value)); }
inline Ref to_python(std::uint64_t value) { return checked(PyLong_FromUnsignedLongLong(value)); }
inline Ref to_python(bool value) { return Ref::borrow(value ? Py_True : Py_False); }
inline Ref to_python(Ref&& object) { return std::move(object); }
Ref to_python(std::span<const double> values);
Ref to_python(const Pair& pair);

// A new list of len(items) entries, entry i being item_to_python(items[i]).
// A pending signal ends a long build with its exception.
template <class Items, class ItemToPython>
Ref list_of(const Items& items, ItemToPython&& item_to_python) {
    Ref list = checked(PyList_New(static_cast<Py_ssize_t>(items.size())));
    Py_ssize_t index = 0;
    SignalPoll poll;
    for (const auto& item : items) {
        Ref object = item_to_python(item);
        PyList_SET_ITEM(list.get(), index++, object.release());
        poll.tick();
    }
    return list;
}

template <FixedString Key, class Value>
struct Entry {
    Value value;
};

// entry<"root">(x): one key and value of a result dict.
template <FixedString Key, class Value>
Entry<Key, Value&&> entry(Value&& value) {
    return {std::forward<Value>(value)};
}

namespace build_detail {
template <FixedString Key, class Value>
void insert(PyObject* dict, Entry<Key, Value>&& item) {
    Ref value = to_python(std::forward<Value>(item.value));
    checked_status(PyDict_SetItem(dict, interned<Key>(), value.get()));
}
}  // namespace build_detail

template <class... Entries>
Ref dict_of(Entries&&... entries) {
    Ref dict = checked(PyDict_New());
    (build_detail::insert(dict.get(), std::move(entries)), ...);
    return dict;
}

}  // namespace vexari
