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

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace vexari {

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
    // Item i widened; any format, stride or alignment.
    double operator[](std::size_t i) const noexcept;
    // Items [first, first + count) widened into out.
    void widen_into(std::size_t first, std::size_t count, double* out) const noexcept;

private:
    Py_buffer view_{};
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    Py_ssize_t stride_ = 0;
    Item item_ = Item::float64;
    bool held_ = false;
};

}  // namespace vexari
