#pragma once
// A string literal usable as a template argument, so declarations and dict keys
// can be spelled once, in place, and still be known at compile time.

#include <cstddef>
#include <string_view>

namespace vexari {

template <std::size_t N>
struct FixedString {
    char chars[N]{};

    constexpr FixedString(const char (&text)[N]) {
        for (std::size_t i = 0; i < N; ++i) chars[i] = text[i];
    }
    constexpr std::string_view view() const { return {chars, N - 1}; }
    // NUL-terminated, for the C API.
    constexpr const char* c_str() const { return chars; }
};

}  // namespace vexari
