#pragma once
// Functions compiled to machine code (a LowLevelCallable's capsule, a ctypes or
// cffi function pointer, a function of a compiled cffi module, a numba cfunc),
// recognised by the C signature they are declared with. The adapters call one
// directly, with no Python object made and no interpreter call per evaluation.
// Declaring a pointer with a signature other than its real one is the caller's
// fault and cannot be seen from here: calling it is undefined behaviour.

#include "python_error.hpp"

#include <array>
#include <string>
#include <string_view>

namespace vexari {

// The numeric shape an adapter needs: f(x), f(t, y), f(vector) -> float, f(vector) -> vector.
enum class Shape : unsigned char { scalar, scalar2, vector_scalar, vector_vector };

// Each accepted C signature; the `_data` forms take the caller's user data last.
enum class Signature : unsigned char {
    none,
    scalar,
    scalar_data,
    scalar2,
    scalar2_data,
    vector_scalar,
    vector_scalar_data,
    vector_vector,
    vector_vector_data,
};

struct SignatureText {
    Signature signature;
    Shape shape;
    std::string_view text;  // as a LowLevelCallable's capsule names it
};

// The first four are the strings SciPy uses for the same shapes; the others are
// this module's own (a vector -> vector function writes at most m values into
// out and returns how many it has, as snprintf does).
inline constexpr std::array<SignatureText, 8> signatures{{
    {Signature::scalar, Shape::scalar, "double (double)"},
    {Signature::scalar_data, Shape::scalar, "double (double, void *)"},
    {Signature::vector_scalar, Shape::vector_scalar, "double (int, double *)"},
    {Signature::vector_scalar_data, Shape::vector_scalar, "double (int, double *, void *)"},
    {Signature::scalar2, Shape::scalar2, "double (double, double)"},
    {Signature::scalar2_data, Shape::scalar2, "double (double, double, void *)"},
    {Signature::vector_vector, Shape::vector_vector, "int (int, double *, int, double *)"},
    {Signature::vector_vector_data, Shape::vector_vector, "int (int, double *, int, double *, void *)"},
}};

constexpr Signature signature_of(std::string_view text) noexcept {
    for (const SignatureText& known : signatures)
        if (known.text == text) return known.signature;
    return Signature::none;
}

constexpr const SignatureText& text_of(Signature signature) noexcept {
    for (const SignatureText& known : signatures)
        if (known.signature == signature) return known;
    return signatures[0];  // unreachable for a recognised signature
}

// A recognised compiled function: its entry point, its declared signature and
// the user data its `_data` signatures pass on. An empty one (signature none)
// means the object takes the Python route.
struct CompiledFunction {
    Signature signature = Signature::none;
    void (*entry)() = nullptr;
    void* user_data = nullptr;

    explicit operator bool() const noexcept { return signature != Signature::none; }
    Shape shape() const noexcept { return text_of(signature).shape; }
};

// Whether the object might be a compiled function: false for the Python
// functions, methods and built-ins that make up nearly every call, without
// looking further than a built-in's `__self__` type (a compiled cffi module's
// functions are built-ins).
bool may_be_compiled(PyObject* object) noexcept;

// What the object is, looked up without running any of the caller's code. A
// LowLevelCallable or capsule of a signature not listed above, or any
// recognised object whose pointer is NULL, raises TypeError or ValueError
// naming the argument: such an object could never be called. An object of
// another kind, or a ctypes or cffi pointer or cffi module function declared
// with other types, gets an empty answer and keeps the Python route.
CompiledFunction recognise_compiled(PyObject* object, std::string_view argument);

// "'double (double)', 'double (double, void *)'": the accepted signatures of a shape, for messages.
std::string accepted_signatures(Shape shape);

}  // namespace vexari
