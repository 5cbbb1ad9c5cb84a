#include "compiled_function.hpp"

#include "lazy.hpp"

#include <cstring>
#include <string>

namespace vexari {

namespace {

std::string_view utf8_of(PyObject* text) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text, &size);
    if (data == nullptr) throw_python_error();
    return {data, static_cast<std::size_t>(size)};
}

// Whether the object's type is the one of that module and name. Read from the
// type itself, so no code of the object's runs.
bool type_named(PyObject* object, std::string_view qualified) {
    // A heap type's tp_name is its bare name: compared first, as it costs nothing.
    const std::string_view bare = Py_TYPE(object)->tp_name;
    if (qualified.size() <= bare.size() || !qualified.ends_with(bare) ||
        qualified[qualified.size() - bare.size() - 1] != '.')
        return false;
    // The module as the class statement recorded it in the type's own dict:
    // read without making a string, as this runs on every call given one.
    const std::string_view module = qualified.substr(0, qualified.size() - bare.size() - 1);
    if (!(Py_TYPE(object)->tp_flags & Py_TPFLAGS_HEAPTYPE)) return false;
    const Ref dict = checked(PyType_GetDict(Py_TYPE(object)));
    PyObject* found = nullptr;
    checked_status(PyDict_GetItemRef(dict.get(), interned<"__module__">(), &found));
    const Ref recorded = Ref::steal(found);
    return recorded && PyUnicode_CheckExact(recorded.get()) &&
           PyUnicode_EqualToUTF8AndSize(recorded.get(), module.data(), static_cast<Py_ssize_t>(module.size()));
}

// The attribute, or an empty Ref when there is none (any other failure raises).
template <FixedString Name>
Ref attribute(PyObject* object) {
    PyObject* value = nullptr;
    checked_status(PyObject_GetOptionalAttr(object, interned<Name>(), &value));
    return Ref::steal(value);
}

template <FixedString Name>
Ref required_attribute(PyObject* object) {
    return checked(PyObject_GetAttr(object, interned<Name>()));
}

[[noreturn]] void raise_null(std::string_view argument) {
    raise(PyExc_ValueError, "argument '" + std::string(argument) + "': the compiled function's pointer is NULL");
}

template <class Pointer>
CompiledFunction found(Signature signature, Pointer entry, void* user_data, std::string_view argument) {
    if (entry == nullptr) raise_null(argument);
    return {signature, reinterpret_cast<void (*)()>(entry), user_data};
}

// A capsule names its signature: a LowLevelCallable holds one first, with the
// user data as its context.
CompiledFunction from_capsule(PyObject* capsule, std::string_view argument) {
    const char* name = PyCapsule_GetName(capsule);
    if (name == nullptr && PyErr_Occurred()) throw_python_error();
    const Signature signature = signature_of(name == nullptr ? std::string_view{} : std::string_view{name});
    if (signature == Signature::none) {
        PyErr_Format(PyExc_TypeError, "a capsule of signature %s%s%s is no function this module can call; accepted: %s",
                     name == nullptr ? "" : "'", name == nullptr ? "None" : name, name == nullptr ? "" : "'",
                     accepted_signatures(Shape::scalar).append(", ")
                         .append(accepted_signatures(Shape::scalar2)).append(", ")
                         .append(accepted_signatures(Shape::vector_scalar)).append(", ")
                         .append(accepted_signatures(Shape::vector_vector)).c_str());
        throw_python_error();
    }
    void* entry = PyCapsule_GetPointer(capsule, name);
    if (entry == nullptr) {
        if (PyErr_Occurred()) throw_python_error();
        raise_null(argument);
    }
    void* user_data = PyCapsule_GetContext(capsule);
    if (user_data == nullptr && PyErr_Occurred()) throw_python_error();
    return found(signature, entry, user_data, argument);
}

// Whether the type is, or derives from, the C type of that name. Compared by
// name so that no module needs importing, and no code of the object's runs.
bool derives_from(PyTypeObject* type, std::string_view name) noexcept {
    for (; type != nullptr; type = type->tp_base)
        if (name == type->tp_name) return true;
    return false;
}

// The `_type_` code of a ctypes simple type ("d" for c_double), or empty.
std::string_view simple_code(PyObject* type) {
    if (!PyType_Check(type) || std::string_view(Py_TYPE(type)->tp_name) != "_ctypes.PyCSimpleType") return {};
    const Ref code = attribute<"_type_">(type);
    if (!code || !PyUnicode_Check(code.get())) return {};
    return utf8_of(code.get());
}

// The C type a ctypes type stands for, in the spelling of the signatures, or
// "?" for any this module does not pass. ctypes spells each C type by one
// letter: "d" double, "i" int, "P" void *; a pointer type holds its target.
std::string_view ctypes_token(PyObject* type) {
    if (type == Py_None) return "void";
    const std::string_view code = simple_code(type);
    if (code == "d") return "double";
    if (code == "i") return "int";
    if (code == "P") return "void *";
    if (PyType_Check(type) && std::string_view(Py_TYPE(type)->tp_name) == "_ctypes.PyCPointerType") {
        const Ref target = attribute<"_type_">(type);
        if (target && simple_code(target.get()) == "d") return "double *";
    }
    return "?";
}

constexpr long pythonapi_flag = 0x4;  // ctypes' FUNCFLAG_PYTHONAPI

// A ctypes function pointer, by its restype and argtypes. One made with
// PYFUNCTYPE expects the interpreter lock held, and one with an errcheck hook
// answers through it, so both keep the Python route.
CompiledFunction from_ctypes(PyObject* object, std::string_view argument) {
    if (!derives_from(Py_TYPE(object), "_ctypes.CFuncPtr")) return {};
    const Ref flags = attribute<"_flags_">(reinterpret_cast<PyObject*>(Py_TYPE(object)));
    if (!flags || !PyLong_Check(flags.get())) return {};
    const long flag_bits = PyLong_AsLong(flags.get());
    if (flag_bits == -1 && PyErr_Occurred()) throw_python_error();
    if ((flag_bits & pythonapi_flag) != 0) return {};
    // An errcheck hook sees, and may replace, every answer on the Python route.
    const Ref errcheck = attribute<"errcheck">(object);
    if (errcheck && errcheck.get() != Py_None) return {};
    const Ref restype = required_attribute<"restype">(object);
    const Ref argtypes = required_attribute<"argtypes">(object);
    if (!PyTuple_Check(argtypes.get())) return {};  // argtypes never set
    std::string text(ctypes_token(restype.get()));
    text += " (";
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(argtypes.get()); ++i) {
        if (i > 0) text += ", ";
        text += ctypes_token(PyTuple_GET_ITEM(argtypes.get(), i));
    }
    text += ")";
    const Signature signature = signature_of(text);
    if (signature == Signature::none) return {};
    // The object's buffer is the pointer itself.
    Py_buffer view;
    checked_status(PyObject_GetBuffer(object, &view, PyBUF_SIMPLE));
    void* entry = nullptr;
    const bool fits = view.len == static_cast<Py_ssize_t>(sizeof entry);
    if (fits) std::memcpy(&entry, view.buf, sizeof entry);
    PyBuffer_Release(&view);
    if (!fits) return {};
    return found(signature, entry, nullptr, argument);
}

// A module only if something has imported it already: an object of its types
// cannot exist otherwise.
Ref imported(const char* name) {
    const Ref key = checked(PyUnicode_FromString(name));
    PyObject* module = PyImport_GetModule(key.get());
    if (module == nullptr && PyErr_Occurred()) throw_python_error();
    return Ref::steal(module);
}

// The accepted signature a cffi function type spells by the C names of its
// result and arguments; none for any other type, or one with `...`.
Signature cffi_signature(PyObject* type) {
    const Ref kind = required_attribute<"kind">(type);
    if (utf8_of(kind.get()) != "function") return Signature::none;
    const Ref ellipsis = required_attribute<"ellipsis">(type);
    if (PyObject_IsTrue(ellipsis.get()) != 0) return Signature::none;
    const Ref result = required_attribute<"result">(type);
    const Ref result_name = required_attribute<"cname">(result.get());
    const Ref arguments = required_attribute<"args">(type);
    if (!PyTuple_Check(arguments.get())) return Signature::none;
    std::string text(utf8_of(result_name.get()));
    text += " (";
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(arguments.get()); ++i) {
        if (i > 0) text += ", ";
        const Ref name = required_attribute<"cname">(PyTuple_GET_ITEM(arguments.get(), i));
        text += utf8_of(name.get());
    }
    text += ")";
    return signature_of(text);
}

// The address a cffi function pointer holds.
CompiledFunction cffi_entry(PyObject* cffi, PyObject* pointer, Signature signature, std::string_view argument) {
    const Ref uintptr = checked(PyObject_CallMethod(cffi, "new_primitive_type", "s", "uintptr_t"));
    const Ref address = checked(PyObject_CallMethod(cffi, "cast", "OO", uintptr.get(), pointer));
    const Ref number = checked(PyNumber_Long(address.get()));
    void* const entry = PyLong_AsVoidPtr(number.get());
    if (entry == nullptr && PyErr_Occurred()) throw_python_error();
    return found(signature, entry, nullptr, argument);
}

// A cffi function pointer (a cdata of a function type without `...`).
CompiledFunction from_cffi(PyObject* object, std::string_view argument) {
    if (!derives_from(Py_TYPE(object), "_cffi_backend._CDataBase")) return {};
    const Ref cffi = imported("_cffi_backend");
    if (!cffi) return {};
    const Ref type = checked(PyObject_CallMethod(cffi.get(), "typeof", "O", object));
    const Signature signature = cffi_signature(type.get());
    if (signature == Signature::none) return {};
    return cffi_entry(cffi.get(), object, signature, argument);
}

// Whether a built-in might be a function of a compiled (API-mode) cffi module,
// whose `__self__` is the module's Lib. Every built-in passed as a function
// (math.cos) comes through here, so this is one look at a type's name.
bool may_be_cffi_library_function(PyObject* builtin) noexcept {
    PyObject* const self = PyCFunction_GET_SELF(builtin);
    return self != nullptr && std::strcmp(Py_TYPE(self)->tp_name, "_cffi_backend.Lib") == 0;
}

// Such a function, by the type and the address cffi gives it: ffi.typeof(f)
// and ffi.addressof(lib, name). Any FFI answers both for any module's Lib, so
// a fresh one does; the module's own `ffi` would take an attribute lookup on
// the caller's module.
CompiledFunction from_cffi_library(PyObject* function, std::string_view argument) {
    const Ref cffi = imported("_cffi_backend");
    if (!cffi) return {};
    PyObject* const library = PyCFunction_GET_SELF(function);
    // The name was only a filter: a type of another extension may bear it too.
    const Ref library_type = attribute<"Lib">(cffi.get());
    if (!library_type || reinterpret_cast<PyObject*>(Py_TYPE(library)) != library_type.get()) return {};
    const Ref ffi = checked(PyObject_CallMethod(cffi.get(), "FFI", nullptr));
    const Ref type = Ref::steal(PyObject_CallMethod(ffi.get(), "typeof", "O", function));
    if (!type) {
        // Refused as no function of the module: a method of object's bound to the Lib
        // (object.__sizeof__.__get__(lib)) is a built-in of that `__self__` too.
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw_python_error();
        PyErr_Clear();
        return {};
    }
    const Signature signature = cffi_signature(type.get());
    if (signature == Signature::none) return {};
    const Ref name = required_attribute<"__name__">(function);
    const Ref pointer = checked(PyObject_CallMethod(ffi.get(), "addressof", "OO", library, name.get()));
    return cffi_entry(cffi.get(), pointer.get(), signature, argument);
}

}  // namespace

bool may_be_compiled(PyObject* object) noexcept {
    return !PyFunction_Check(object) && !PyMethod_Check(object) &&
           (!PyCFunction_Check(object) || may_be_cffi_library_function(object));
}

CompiledFunction recognise_compiled(PyObject* object, std::string_view argument) {
    if (!may_be_compiled(object)) return {};
    if (PyCFunction_Check(object)) return from_cffi_library(object, argument);
    if (PyCapsule_CheckExact(object)) return from_capsule(object, argument);
    if (PyTuple_Check(object) && !PyTuple_CheckExact(object) &&
        type_named(object, "scipy._lib._ccallback.LowLevelCallable")) {
        if (PyTuple_GET_SIZE(object) < 1 || !PyCapsule_CheckExact(PyTuple_GET_ITEM(object, 0)))
            raise(PyExc_TypeError, "a LowLevelCallable without its capsule");
        return from_capsule(PyTuple_GET_ITEM(object, 0), argument);
    }
    if (type_named(object, "numba.core.ccallback.CFunc")) {
        const Ref pointer = required_attribute<"ctypes">(object);
        return from_ctypes(pointer.get(), argument);
    }
    if (CompiledFunction pointer = from_ctypes(object, argument)) return pointer;
    return from_cffi(object, argument);
}

std::string accepted_signatures(Shape shape) {
    std::string text;
    for (const SignatureText& known : signatures) {
        if (known.shape != shape) continue;
        if (!text.empty()) text += ", ";
        text.append("'").append(known.text).append("'");
    }
    return text;
}

}  // namespace vexari
