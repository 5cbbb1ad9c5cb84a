#pragma once
// The buffer route for Vectors: a one-dimensional buffer of native doubles,
// exported by one of the standard containers of doubles, read without
// iterating it. Any other exporter could iterate to something else than its
// buffer holds, so it keeps the general path.

#include "python.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace vexari {

class DoubleBuffer {
public:
    DoubleBuffer() noexcept = default;
    // The exporters taken here identify a buffer by its owner, not by the
    // address of the Py_buffer record, so the record may move with the hold.
    // Its shape and strides may point into the record itself (array.array's
    // do), which is why they are copied out when the buffer is taken.
    DoubleBuffer(DoubleBuffer&& other) noexcept
        : view_(other.view_), data_(other.data_), size_(other.size_), stride_(other.stride_),
          held_(std::exchange(other.held_, false)) {}
    DoubleBuffer& operator=(DoubleBuffer&&) = delete;
    ~DoubleBuffer() {
        if (held_) PyBuffer_Release(&view_);
    }

    // The buffer of object when it is one we read directly; an empty hold
    // (and no exception) otherwise.
    static DoubleBuffer of(PyObject* object);

    explicit operator bool() const noexcept { return held_; }
    std::size_t size() const noexcept { return size_; }
    // Contiguous and aligned, so its doubles can be read as an array.
    bool contiguous() const noexcept {
        return stride_ == sizeof(double) && reinterpret_cast<std::uintptr_t>(data_) % alignof(double) == 0;
    }
    // Valid while the hold lasts; only for a contiguous buffer.
    std::span<const double> span() const noexcept { return {reinterpret_cast<const double*>(data_), size_}; }
    double operator[](std::size_t i) const noexcept;

private:
    Py_buffer view_{};
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    Py_ssize_t stride_ = 0;
    bool held_ = false;
};

}  // namespace vexari
