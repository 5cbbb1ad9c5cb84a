#include "double_buffer.hpp"

#include <bit>
#include <cstring>
#include <optional>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

}  // namespace

DoubleBuffer DoubleBuffer::of(PyObject* object) {
    if (!PyObject_CheckBuffer(object) || !iterates_its_buffer(object)) return {};
    return take(object);
}

DoubleBuffer DoubleBuffer::of_exported(PyObject* array) {
    // Exactly the array type: a subclass (a masked array, say) may mean
    // other values than its buffer holds.
    if (!PyObject_CheckBuffer(array) || std::string_view(Py_TYPE(array)->tp_name) != "numpy.ndarray") return {};
    return take(array);
}

DoubleBuffer DoubleBuffer::take(PyObject* exporter) {
    DoubleBuffer buffer;
    if (PyObject_GetBuffer(exporter, &buffer.view_, PyBUF_RECORDS_RO) != 0) {
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

void DoubleBuffer::widen_into(std::size_t first, std::size_t count, double* out) const noexcept {
    const char* data = data_ + static_cast<Py_ssize_t>(first) * stride_;
    visit([&]<class Stored>(const WideningView<Stored>&) {
        constexpr auto packed = static_cast<Py_ssize_t>(sizeof(Stored));
        // The contiguous loop on its own, with its stride a constant, so that
        // the compiler can vectorise it.
        if (stride_ == packed) {
            const WideningView<Stored> items(data, packed, count);
            for (std::size_t i = 0; i < count; ++i) out[i] = items[i];
        } else {
            const WideningView<Stored> items(data, stride_, count);
            for (std::size_t i = 0; i < count; ++i) out[i] = items[i];
        }
    });
}

namespace {

// Two quiet comparisons of two lanes each per step: a scan at memory speed.
// GCC does not vectorise the plain loop (a comparison may raise the invalid
// flag, and it keeps that from happening other than as written), but a quiet
// unordered comparison raises nothing for a quiet NaN.
bool packed_doubles_hold_nan(const char* data, std::size_t size) noexcept {
    std::size_t i = 0;
    bool nan = false;
#if defined(__SSE2__)
    __m128d low = _mm_setzero_pd(), high = _mm_setzero_pd();
    for (; i + 4 <= size; i += 4) {
        const __m128d first = _mm_loadu_pd(reinterpret_cast<const double*>(data + i * sizeof(double)));
        const __m128d second = _mm_loadu_pd(reinterpret_cast<const double*>(data + (i + 2) * sizeof(double)));
        low = _mm_or_pd(low, _mm_cmpunord_pd(first, first));
        high = _mm_or_pd(high, _mm_cmpunord_pd(second, second));
    }
    nan = _mm_movemask_pd(_mm_or_pd(low, high)) != 0;
#endif
    const WideningView<double> rest(data, sizeof(double), size);
    for (; i < size; ++i) nan |= rest[i] != rest[i];
    return nan;
}

}  // namespace

bool DoubleBuffer::holds_nan() const noexcept {
    if (!may_hold_nan()) return false;
    if (item_ == Item::float64 && stride_ == sizeof(double)) return packed_doubles_hold_nan(data_, size_);
    return visit([&]<class Stored>(const WideningView<Stored>& items) {
        bool nan = false;
        for (std::size_t i = 0; i < items.size(); ++i) nan |= items[i] != items[i];
        return nan;
    });
}

}  // namespace vexari
