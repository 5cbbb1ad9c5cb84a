#pragma once
// Function<"name(params...)", impl>: one Python function of the module. The
// declaration text gives its name, parameters and defaults; the C++ parameter
// types of impl give each parameter's kind. From the two come the fast-call
// entry (match, convert in parameter order, run impl under the guard) and the
// PyMethodDef that registration uses.

#include "convert.hpp"
#include "declaration.hpp"
#include "guard.hpp"
#include "read_in_place.hpp"
#include "match.hpp"
#include "module_attributes.hpp"

#include <array>
#include <atomic>
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
    static Callable convert(PyObject* object, std::string_view name) {
        CompiledFunction compiled = recognise_compiled(object, name);
        return {object, name, compiled, compiled ? Ref::borrow(object) : Ref{}};
    }
    static bool cannot_run_python_or_fail(PyObject* object) noexcept { return !may_be_compiled(object); }
};
template <>
struct ParameterKind<double> {
    static double convert(PyObject* object) { return to_double(object); }
    static bool cannot_run_python_or_fail(PyObject* object) noexcept { return PyFloat_CheckExact(object); }
    static constexpr double read_default(std::string_view text) { return default_text::to_double(text); }
};
template <>
struct ParameterKind<std::uint64_t> {
    static std::uint64_t convert(PyObject* object) { return to_count(object); }
    static bool cannot_run_python_or_fail(PyObject* object) noexcept {
        if (!PyLong_CheckExact(object)) return false;
        auto* number = reinterpret_cast<PyLongObject*>(object);
        return PyUnstable_Long_IsCompact(number) && PyUnstable_Long_CompactValue(number) >= 0;
    }
    static constexpr std::uint64_t read_default(std::string_view text) { return default_text::to_count(text); }
};
template <>
struct ParameterKind<bool> {
    static bool convert(PyObject* object) { return to_flag(object); }
    static bool cannot_run_python_or_fail(PyObject* object) noexcept { return object == Py_True || object == Py_False; }
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
struct ParameterKind<InPlaceVector> {
    static InPlaceVector convert(PyObject* object, std::string_view name, bool defer) { return {object, name, defer}; }
    static bool cannot_run_python_or_fail(PyObject* object) noexcept { return PyList_CheckExact(object); }
};
template <>
struct ParameterKind<InPlaceMatrix> {
    static InPlaceMatrix convert(PyObject* object, std::string_view name, bool defer) { return {object, name, defer}; }
    static bool cannot_run_python_or_fail(PyObject* object) noexcept { return PyList_CheckExact(object); }
};
template <>
struct ParameterKind<Pair> {
    static Pair convert(PyObject* object) { return to_pair(object); }
};

template <class T>
concept HasDefaults = requires(std::string_view text) { ParameterKind<T>::read_default(text); };

// A kind whose list argument may be left unconverted until the routine reads it.
template <class T>
concept Defers = requires(PyObject* object, std::string_view name) { ParameterKind<T>::convert(object, name, true); };

// A kind whose conversion names its argument in what it raises.
template <class T>
concept Named = requires(PyObject* object, std::string_view name) { ParameterKind<T>::convert(object, name); };

// A kind that can tell, without running Python code, that an argument will
// convert without running any and without failing.
template <class T>
concept TellsPythonFree = requires(PyObject* object) { ParameterKind<T>::cannot_run_python_or_fail(object); };

namespace function_detail {

template <class Impl>
struct ImplTraits;
template <class... Params>
struct ImplTraits<Ref (*)(Params...)> {
    using Arguments = std::tuple<Params...>;
    // The index of the first parameter whose kind defers, or the count.
    static constexpr std::size_t first_deferring = [] {
        constexpr std::array<bool, sizeof...(Params)> defers{Defers<Params>...};
        for (std::size_t i = 0; i < defers.size(); ++i)
            if (defers[i]) return i;
        return defers.size();
    }();
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

    static constexpr std::size_t deferring = function_detail::ImplTraits<decltype(Impl)>::first_deferring;

    // Whether the argument in slot I, after the first deferring parameter, is
    // sure to convert without running Python code or failing (a missing one
    // takes its default).
    template <std::size_t I>
    static bool python_free_at(PyObject* const* slots) {
        using T = std::tuple_element_t<I, Arguments>;
        if constexpr (I <= deferring) {
            return true;
        } else {
            if (slots[I] == nullptr) return true;
            if constexpr (TellsPythonFree<T>) return ParameterKind<T>::cannot_run_python_or_fail(slots[I]);
            else return false;
        }
    }

    template <std::size_t... I>
    static bool may_defer(PyObject* const* slots, std::index_sequence<I...>) {
        if constexpr (deferring == parameter_count) return false;
        else return (python_free_at<I>(slots) && ...);
    }

    template <std::size_t I>
    static auto argument(PyObject* const* slots, [[maybe_unused]] bool defer) {
        using T = std::tuple_element_t<I, Arguments>;
        if constexpr (I >= declaration.required) {
            static_assert(HasDefaults<T>, "this parameter kind takes no default");
            static constexpr T default_value = ParameterKind<T>::read_default(declaration.defaults[I]);
            if (slots[I] == nullptr) return T(default_value);
        }
        try {
            if constexpr (Defers<T>) return ParameterKind<T>::convert(slots[I], declaration.parameters[I], defer);
            else if constexpr (Named<T>) return ParameterKind<T>::convert(slots[I], declaration.parameters[I]);
            else return ParameterKind<T>::convert(slots[I]);
        } catch (const PythonError&) {
            rethrow_naming_argument(declaration.parameters[I]);
        }
    }

    template <std::size_t... I>
    static Ref call(PyObject* const* slots, std::index_sequence<I...> indices) {
        const bool defer = may_defer(slots, indices);
        // Braced initialisation converts the arguments in parameter order.
        Arguments arguments{argument<I>(slots, defer)...};
        return std::apply(Impl, std::move(arguments));
    }

    // The parameter names as interned str objects, made on the first call with keywords.
    static constinit inline std::array<std::atomic<PyObject*>, parameter_count> interned_names{};

    static PyObject* entry(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
        return guarded([&] {
            static constexpr CallShape shape{declaration.name, declaration.parameters, declaration.required,
                                              interned_names};
            PyObject* slots[parameter_count > 0 ? parameter_count : 1];
            match_arguments_fast<parameter_count>(shape, args, nargs, kwnames, slots);
            return call(slots, std::make_index_sequence<parameter_count>{});
        });
    }

    static inline PyMethodDef method{
        name.data(),
        reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&entry)),
        METH_FASTCALL | METH_KEYWORDS,
        doc.data(),
    };
};

// Adds each function to the module, in the order given.
template <class... Functions>
void add_functions([[maybe_unused]] PyObject* module) {
    (add_function(module, Functions::method), ...);
}

}  // namespace vexari
