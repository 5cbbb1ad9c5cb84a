#pragma once
// Function<"name(params...)", impl>: one Python function of the module. The
// declaration text gives its name, parameters and defaults; the C++ parameter
// types of impl give each parameter's kind. From the two come the fast-call
// entry (match, convert in parameter order, run impl under the guard) and the
// PyMethodDef that registration uses.

#include "convert.hpp"
#include "declaration.hpp"
#include "guard.hpp"
#include "match.hpp"

#include <cstdint>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

namespace vexari {

// Per C++ parameter type: how an argument converts, and how a default reads.
template <class T>
struct ParameterKind;

template <>
struct ParameterKind<Callable> {
    static Callable convert(PyObject* object) { return {Ref::borrow(object)}; }
};
template <>
struct ParameterKind<double> {
    static double convert(PyObject* object) { return to_double(object); }
    static constexpr double read_default(std::string_view text) { return default_text::to_double(text); }
};
template <>
struct ParameterKind<std::uint64_t> {
    static std::uint64_t convert(PyObject* object) { return to_count(object); }
    static constexpr std::uint64_t read_default(std::string_view text) { return default_text::to_count(text); }
};
template <>
struct ParameterKind<bool> {
    static bool convert(PyObject* object) { return to_flag(object); }
    static constexpr bool read_default(std::string_view text) { return default_text::to_flag(text); }
};
template <>
struct ParameterKind<std::string_view> {
    static std::string_view convert(PyObject* object) { return to_text(object); }
    static constexpr std::string_view read_default(std::string_view text) { return default_text::to_text(text); }
};
template <>
struct ParameterKind<Vector> {
    static Vector convert(PyObject* object) { return to_vector(object); }
};
template <>
struct ParameterKind<Matrix> {
    static Matrix convert(PyObject* object) { return to_matrix(object); }
};
template <>
struct ParameterKind<Pair> {
    static Pair convert(PyObject* object) { return to_pair(object); }
};

template <class T>
concept HasDefaults = requires(std::string_view text) { ParameterKind<T>::read_default(text); };

namespace function_detail {

template <class Impl>
struct ImplTraits;
template <class... Params>
struct ImplTraits<Ref (*)(Params...)> {
    using Arguments = std::tuple<Params...>;
};

}  // namespace function_detail

template <FixedString Text, auto Impl>
struct Function {
    static constexpr auto declaration = parse_declaration<Text>();
    static constexpr std::size_t parameter_count = declaration.parameters.size();
    using Arguments = typename function_detail::ImplTraits<decltype(Impl)>::Arguments;
    static_assert(std::tuple_size_v<Arguments> == parameter_count,
                  "the declaration and the implementation differ in their number of parameters");

    static constexpr auto name = function_name<Text>();
    static constexpr auto doc = signature_doc<Text>();

    template <std::size_t I>
    static auto argument(PyObject* const* slots) {
        using T = std::tuple_element_t<I, Arguments>;
        if constexpr (I >= declaration.required) {
            static_assert(HasDefaults<T>, "this parameter kind takes no default");
            static constexpr T default_value = ParameterKind<T>::read_default(declaration.defaults[I]);
            if (slots[I] == nullptr) return T(default_value);
        }
        try {
            return ParameterKind<T>::convert(slots[I]);
        } catch (const PythonError&) {
            rethrow_naming_argument(declaration.parameters[I]);
        }
    }

    template <std::size_t... I>
    static Ref call(PyObject* const* slots, std::index_sequence<I...>) {
        // Braced initialisation converts the arguments in parameter order.
        Arguments arguments{argument<I>(slots)...};
        return std::apply(Impl, std::move(arguments));
    }

    static PyObject* entry(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
        return guarded([&] {
            static constexpr CallShape shape{declaration.name, declaration.parameters, declaration.required};
            PyObject* slots[parameter_count > 0 ? parameter_count : 1];
            match_arguments(shape, args, nargs, kwnames, slots);
            return call(slots, std::make_index_sequence<parameter_count>{});
        });
    }

    static inline constinit PyMethodDef method{
        name.data(),
        reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&entry)),
        METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
        doc.data(),
    };
};

// Adds each function to the module, in the order given.
void add_function(PyObject* module, PyMethodDef& method);

template <class... Functions>
void add_functions([[maybe_unused]] PyObject* module) {
    (add_function(module, Functions::method), ...);
}

}  // namespace vexari
