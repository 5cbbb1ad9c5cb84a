#pragma once
// The buffer route for Vectors: a one-dimensional buffer of numbers, exported
// by one of the standard containers, read without iterating it. Any other
// exporter could iterate to something else than its buffer holds, so it keeps
// the general path, and so do formats whose items do not convert as plain
// numbers (complex, long double, foreign byte order, structures), and so does
// float16, whose NaNs iterate to different doubles depending on the exporter.
//
// Every item widens to the double that iterating the container and converting
// each item as a float would give: a float32 exactly, an integer
// rounded to nearest with ties to even as float(int) does, a bool to 0.0 or
// 1.0 (any nonzero byte is true, as the containers read it).

#include "python.hpp"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

namespace vexari {

// A bool item: one byte, true when nonzero, as the containers read it.
struct Flag {
    std::uint8_t byte;
};

namespace buffer_items {

template <class Stored>
Stored load(const char* at) noexcept {
    Stored value;
    std::memcpy(&value, at, sizeof value);  // the buffer need not be aligned
    return value;
}

// An integer converts to nearest, ties to even, under the default rounding
// mode, as float(int) does; a float32 widens exactly.
template <class Stored>
double widen(Stored value) noexcept {
    return static_cast<double>(value);
}

// Built from bits: compilers turn the plain comparison into a branch, which
// random flags mispredict half the time.
inline double widen(Flag flag) noexcept {
    const std::uint64_t all_ones_if_set = std::uint64_t{0} - static_cast<std::uint64_t>(flag.byte != 0);
    return std::bit_cast<double>(all_ones_if_set & std::bit_cast<std::uint64_t>(1.0));
}

}  // namespace buffer_items

// The items of a held buffer of Stored items, widened as they are read.
template <class Stored>
class WideningView {
public:
    WideningView(const char* data, Py_ssize_t stride, std::size_t size) noexcept
        : data_(data), stride_(stride), size_(size) {}
    std::size_t size() const noexcept { return size_; }
    double operator[](std::size_t i) const noexcept {
        return buffer_items::widen(buffer_items::load<Stored>(data_ + static_cast<Py_ssize_t>(i) * stride_));
    }

private:
    const char* data_;
    Py_ssize_t stride_;
    std::size_t size_;
};

class DoubleBuffer {
public:
    // What one item of the buffer is.
    enum class Item : unsigned char {
        float64, float32,
        int8, int16, int32, int64,
        uint8, uint16, uint32, uint64,
        boolean,
    };

    DoubleBuffer() noexcept = default;
    // The exporters taken here identify a buffer by its owner, not by the
    // address of the Py_buffer record, so the record may move with the hold.
    // Its shape and strides may point into the record itself (array.array's
    // do), which is why they are copied out when the buffer is taken.
    DoubleBuffer(DoubleBuffer&& other) noexcept
        : view_(other.view_), data_(other.data_), size_(other.size_), stride_(other.stride_),
          item_(other.item_), held_(std::exchange(other.held_, false)) {}
    DoubleBuffer& operator=(DoubleBuffer&&) = delete;
    ~DoubleBuffer() {
        if (held_) PyBuffer_Release(&view_);
    }

    // The buffer of object when it is one we read directly; an empty hold
    // (and no exception) otherwise.
    static DoubleBuffer of(PyObject* object);
    // The buffer of a numpy.ndarray that a data library exported for an
    // object (see array_export.hpp), on the same terms; the hold keeps the
    // array alive, not the object, which another thread may change meanwhile.
    static DoubleBuffer of_exported(PyObject* array);

    explicit operator bool() const noexcept { return held_; }
    std::size_t size() const noexcept { return size_; }
    Item item() const noexcept { return item_; }
    // Native doubles, contiguous and aligned: readable as an array of double.
    bool contiguous() const noexcept {
        return item_ == Item::float64 && stride_ == sizeof(double) &&
               reinterpret_cast<std::uintptr_t>(data_) % alignof(double) == 0;
    }
    // Valid while the hold lasts; only for a contiguous buffer.
    std::span<const double> span() const noexcept { return {reinterpret_cast<const double*>(data_), size_}; }
    // visit(view) with a view of the items widened as they are read, typed by
    // the buffer's format, so that a routine's loop over it is compiled for
    // that format alone.
    template <class Visit>
    decltype(auto) visit(Visit&& visit) const;
    // Items [first, first + count) widened into out.
    void widen_into(std::size_t first, std::size_t count, double* out) const noexcept;
    // Whether any item is a NaN; only float items can be.
    bool may_hold_nan() const noexcept { return item_ == Item::float64 || item_ == Item::float32; }
    bool holds_nan() const noexcept;

private:
    static DoubleBuffer take(PyObject* exporter);

    Py_buffer view_{};
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    Py_ssize_t stride_ = 0;
    Item item_ = Item::float64;
    bool held_ = false;
};

template <class Visit>
decltype(auto) DoubleBuffer::visit(Visit&& visit) const {
    const auto view = [this]<class Stored>() { return WideningView<Stored>(data_, stride_, size_); };
    switch (item_) {
    case Item::float64: return visit(view.template operator()<double>());
    case Item::float32: return visit(view.template operator()<float>());
    case Item::int8: return visit(view.template operator()<std::int8_t>());
    case Item::int16: return visit(view.template operator()<std::int16_t>());
    case Item::int32: return visit(view.template operator()<std::int32_t>());
    case Item::int64: return visit(view.template operator()<std::int64_t>());
    case Item::uint8: return visit(view.template operator()<std::uint8_t>());
    case Item::uint16: return visit(view.template operator()<std::uint16_t>());
    case Item::uint32: return visit(view.template operator()<std::uint32_t>());
    case Item::uint64: return visit(view.template operator()<std::uint64_t>());
    case Item::boolean: return visit(view.template operator()<Flag>());
    }
    std::unreachable();
}

}  // namespace vexari
