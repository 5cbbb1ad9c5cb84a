#pragma once
// Routines report failures by returning an Error, never by throwing, and
// never touch Python. An Error is a fixed message and the kind of failure it
// is; the boundary chooses the Python exception by the kind alone.

#include <expected>
#include <string_view>

namespace vexari::core {

enum class ErrorKind {
    invalid_data,    // the caller's numbers cannot give an answer
    no_memory,       // the answer would not fit in memory; refused up front
    stopped,         // the caller's stop request (a pending signal) ended the run
    callback_shape,  // a function's results changed shape from call to call
};

struct Error {
    ErrorKind kind;
    std::string_view message;
};

template <class T>
using Outcome = std::expected<T, Error>;

inline std::unexpected<Error> fail(const Error& error) { return std::unexpected(error); }
inline std::unexpected<Error> fail(std::string_view message) { return fail(Error{ErrorKind::invalid_data, message}); }

}  // namespace vexari::core
