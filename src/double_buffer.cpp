#include "double_buffer.hpp"

#include <bit>
#include <cstring>
#include <optional>
#include <string_view>

namespace vexari {

namespace {

using Item = DoubleBuffer::Item;

// The item of a one-code struct format in native byte order, sized by the
// buffer's own itemsize (so "l" is 8 bytes natively and "=l" 4); nothing for
// anything else.
std::optional<Item> item_of(const char* format, Py_ssize_t itemsize) {
    if (format == nullptr) format = "B";  // no format given means unsigned bytes
    constexpr bool little = std::endian::native == std::endian::little;
    switch (format[0]) {
    case '@':
    case '=': ++format; break;
    case '<':
        if (!little) return std::nullopt;
        ++format;
        break;
    case '>':
    case '!':
        if (little) return std::nullopt;
        ++format;
        break;
    default: break;
    }
    if (format[0] == '\0' || format[1] != '\0') return std::nullopt;
    const auto sized = [itemsize](Item one, Item two, Item four, Item eight) -> std::optional<Item> {
        switch (itemsize) {
        case 1: return one;
        case 2: return two;
        case 4: return four;
        case 8: return eight;
        default: return std::nullopt;
        }
    };
    switch (format[0]) {
    case 'd': return itemsize == 8 ? std::optional(Item::float64) : std::nullopt;
    case 'f': return itemsize == 4 ? std::optional(Item::float32) : std::nullopt;
    case '?': return itemsize == 1 ? std::optional(Item::boolean) : std::nullopt;
    case 'b': case 'h': case 'i': case 'l': case 'q': case 'n':
        return sized(Item::int8, Item::int16, Item::int32, Item::int64);
    case 'B': case 'H': case 'I': case 'L': case 'Q': case 'N':
        return sized(Item::uint8, Item::uint16, Item::uint32, Item::uint64);
    default: return std::nullopt;
    }
}

// Matched by the type's full C name, which costs no allocation (asking for
// the module and the name would make two strings a call); a class written in
// Python carries only its own name there, so it cannot pass for one of these.
bool iterates_its_buffer(PyObject* object) {
    PyTypeObject* type = Py_TYPE(object);
    if (type == &PyMemoryView_Type) return true;
    const std::string_view name = type->tp_name;
    return name == "array.array" || name == "numpy.ndarray";
}

template <class Stored>
Stored load(const char* at) noexcept {
    Stored value;
    std::memcpy(&value, at, sizeof value);  // the buffer need not be aligned
    return value;
}

// The conversion of an integer to double rounds to nearest, ties to even,
// under the default rounding mode, as float(int) does.
template <class Stored>
double widen_number(Stored value) noexcept {
    return static_cast<double>(value);
}

double widen_bool(std::uint8_t value) noexcept { return value != 0 ? 1.0 : 0.0; }

template <class Stored, double (*Widen)(Stored)>
void widen_items(const char* data, Py_ssize_t stride, std::size_t size, double* out) noexcept {
    // The contiguous loop on its own, so that the compiler can vectorise it.
    if (stride == static_cast<Py_ssize_t>(sizeof(Stored))) {
        for (std::size_t i = 0; i < size; ++i) out[i] = Widen(load<Stored>(data + i * sizeof(Stored)));
    } else {
        for (std::size_t i = 0; i < size; ++i)
            out[i] = Widen(load<Stored>(data + static_cast<Py_ssize_t>(i) * stride));
    }
}

// Calls visit with the storage type and the widening of item.
template <class Visit>
decltype(auto) dispatch(Item item, Visit&& visit) {
    switch (item) {
    case Item::float64: return visit.template operator()<double, widen_number<double>>();
    case Item::float32: return visit.template operator()<float, widen_number<float>>();
    case Item::int8: return visit.template operator()<std::int8_t, widen_number<std::int8_t>>();
    case Item::int16: return visit.template operator()<std::int16_t, widen_number<std::int16_t>>();
    case Item::int32: return visit.template operator()<std::int32_t, widen_number<std::int32_t>>();
    case Item::int64: return visit.template operator()<std::int64_t, widen_number<std::int64_t>>();
    case Item::uint8: return visit.template operator()<std::uint8_t, widen_number<std::uint8_t>>();
    case Item::uint16: return visit.template operator()<std::uint16_t, widen_number<std::uint16_t>>();
    case Item::uint32: return visit.template operator()<std::uint32_t, widen_number<std::uint32_t>>();
    case Item::uint64: return visit.template operator()<std::uint64_t, widen_number<std::uint64_t>>();
    case Item::boolean: return visit.template operator()<std::uint8_t, widen_bool>();
    }
    std::unreachable();
}

}  // namespace

DoubleBuffer DoubleBuffer::of(PyObject* object) {
    DoubleBuffer buffer;
    if (!PyObject_CheckBuffer(object) || !iterates_its_buffer(object)) return buffer;
    if (PyObject_GetBuffer(object, &buffer.view_, PyBUF_RECORDS_RO) != 0) {
        PyErr_Clear();
        return buffer;
    }
    const Py_buffer& view = buffer.view_;
    const std::optional<Item> item = view.ndim == 1 ? item_of(view.format, view.itemsize) : std::nullopt;
    if (!item) {
        PyBuffer_Release(&buffer.view_);
        return buffer;
    }
    buffer.data_ = static_cast<const char*>(view.buf);
    buffer.size_ = static_cast<std::size_t>(view.shape[0]);
    buffer.stride_ = view.strides[0];
    buffer.item_ = *item;
    buffer.held_ = true;
    return buffer;
}

double DoubleBuffer::operator[](std::size_t i) const noexcept {
    const char* at = data_ + static_cast<Py_ssize_t>(i) * stride_;
    return dispatch(item_, [at]<class Stored, double (*Widen)(Stored)>() { return Widen(load<Stored>(at)); });
}

void DoubleBuffer::widen_into(std::size_t first, std::size_t count, double* out) const noexcept {
    const char* data = data_ + static_cast<Py_ssize_t>(first) * stride_;
    dispatch(item_, [this, data, count, out]<class Stored, double (*Widen)(Stored)>() {
        widen_items<Stored, Widen>(data, stride_, count, out);
    });
}

}  // namespace vexari
