#pragma once
// Routines report invalid data by returning one of their fixed messages; they
// never throw and never touch Python.

#include <expected>
#include <string_view>

namespace vexari::core {

struct Error {
    std::string_view message;
};

template <class T>
using Outcome = std::expected<T, Error>;

inline std::unexpected<Error> fail(std::string_view message) { return std::unexpected(Error{message}); }

}  // namespace vexari::core
