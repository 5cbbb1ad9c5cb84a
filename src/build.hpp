#pragma once
// Building results: plain values to new Python objects, lists created at their
// final length and filled in order, dicts with interned keys inserted in the
// order given. Every builder throws PythonError on failure; whatever was built
// so far is released by its Ref.

#include "convert.hpp"
#include "lazy.hpp"
#include "interrupt_poll.hpp"

#include <cstddef>
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

// A list created at its final length and filled in order; a pending signal
// ends a long fill with its exception. Dropped unfinished, it is first cut
// down to the items it holds: releasing a list visits every slot, and the
// empty slots of a list of hundreds of millions are pages never touched
// before, so Ctrl-C would otherwise wait seconds for them.
class ListBuilder {
public:
    explicit ListBuilder(std::size_t size) : list_(checked(PyList_New(static_cast<Py_ssize_t>(size)))) {}
    ListBuilder(const ListBuilder&) = delete;
    ListBuilder& operator=(const ListBuilder&) = delete;
    ~ListBuilder() {
        if (list_) Py_SET_SIZE(list_.get(), filled_);
    }

    void append(Ref item) {
        PyList_SET_ITEM(list_.get(), filled_++, item.release());
        poll_.tick();
    }
    // The list, which must be full by now.
    Ref finish() && { return std::move(list_); }

private:
    Ref list_;
    Py_ssize_t filled_ = 0;
    InterruptPoll poll_;
};

// A new list of len(items) entries, entry i being item_to_python(items[i]).
template <class Items, class ItemToPython>
Ref list_of(const Items& items, ItemToPython&& item_to_python) {
    ListBuilder list(items.size());
    for (const auto& item : items) list.append(item_to_python(item));
    return std::move(list).finish();
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
