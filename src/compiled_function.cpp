#include "compiled_function.hpp"

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
    const Ref name = checked(PyType_GetFullyQualifiedName(Py_TYPE(object)));
    return utf8_of(name.get()) == qualified;
}

// The attribute, or an empty Ref when there is none (any other failure raises).
Ref attribute(PyObject* object, const char* name) {
    PyObject* value = nullptr;
    checked_status(PyObject_GetOptionalAttrString(object, name, &value));
    return Ref::steal(value);
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

// The C type a ctypes type stands for, in the spelling of the signatures, or
// "?" for any this module does not pass.
std::string_view ctypes_token(PyObject* type, PyObject* ctypes) {
    if (type == Py_None) return "void";
    for (const auto& [name, token] : {std::pair{"c_double", "double"}, std::pair{"c_int", "int"},
                                      std::pair{"c_void_p", "void *"}}) {
        const Ref known = checked(PyObject_GetAttrString(ctypes, name));
        if (type == known.get()) return token;
    }
    const Ref c_double = checked(PyObject_GetAttrString(ctypes, "c_double"));
    const Ref pointer = checked(PyObject_CallMethod(ctypes, "POINTER", "O", c_double.get()));
    return type == pointer.get() ? "double *" : "?";
}

constexpr long pythonapi_flag = 0x4;  // ctypes' FUNCFLAG_PYTHONAPI

// A module only if something has imported it already: an object of its types
// cannot exist otherwise.
Ref imported(const char* name) {
    const Ref key = checked(PyUnicode_FromString(name));
    PyObject* module = PyImport_GetModule(key.get());
    if (module == nullptr && PyErr_Occurred()) throw_python_error();
    return Ref::steal(module);
}

// A ctypes function pointer, by its restype and argtypes. One made with
// PYFUNCTYPE expects the interpreter lock held, so it keeps the Python route.
CompiledFunction from_ctypes(PyObject* object, std::string_view argument) {
    const Ref ctypes = imported("ctypes");
    if (!ctypes) return {};
    const Ref pointer_type = checked(PyObject_GetAttrString(ctypes.get(), "_CFuncPtr"));
    if (!PyObject_TypeCheck(object, reinterpret_cast<PyTypeObject*>(pointer_type.get()))) return {};
    const Ref flags = attribute(reinterpret_cast<PyObject*>(Py_TYPE(object)), "_flags_");
    if (!flags || !PyLong_Check(flags.get()) || (PyLong_AsLong(flags.get()) & pythonapi_flag) != 0) {
        PyErr_Clear();
        return {};
    }
    const Ref restype = checked(PyObject_GetAttrString(object, "restype"));
    const Ref argtypes = checked(PyObject_GetAttrString(object, "argtypes"));
    if (!PyTuple_Check(argtypes.get())) return {};  // argtypes never set
    std::string text(ctypes_token(restype.get(), ctypes.get()));
    text += " (";
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(argtypes.get()); ++i) {
        if (i > 0) text += ", ";
        text += ctypes_token(PyTuple_GET_ITEM(argtypes.get(), i), ctypes.get());
    }
    text += ")";
    const Signature signature = signature_of(text);
    if (signature == Signature::none) return {};
    // The pointer lies in the object's own buffer, whose address ctypes gives.
    const Ref address = checked(PyObject_CallMethod(ctypes.get(), "addressof", "O", object));
    void* const buffer = PyLong_AsVoidPtr(address.get());
    if (buffer == nullptr) throw_python_error();
    void* entry = nullptr;
    std::memcpy(&entry, buffer, sizeof entry);
    return found(signature, entry, nullptr, argument);
}

// A cffi function pointer (a cdata of a function type without `...`), by the
// C names of its result and arguments.
CompiledFunction from_cffi(PyObject* object, std::string_view argument) {
    const Ref cffi = imported("_cffi_backend");
    if (!cffi) return {};
    const Ref cdata_type = checked(PyObject_GetAttrString(cffi.get(), "_CDataBase"));
    if (!PyObject_TypeCheck(object, reinterpret_cast<PyTypeObject*>(cdata_type.get()))) return {};
    const Ref type = checked(PyObject_CallMethod(cffi.get(), "typeof", "O", object));
    const Ref kind = checked(PyObject_GetAttrString(type.get(), "kind"));
    if (utf8_of(kind.get()) != "function") return {};
    const Ref ellipsis = checked(PyObject_GetAttrString(type.get(), "ellipsis"));
    if (PyObject_IsTrue(ellipsis.get()) != 0) return {};
    const Ref result = checked(PyObject_GetAttrString(type.get(), "result"));
    const Ref result_name = checked(PyObject_GetAttrString(result.get(), "cname"));
    const Ref arguments = checked(PyObject_GetAttrString(type.get(), "args"));
    if (!PyTuple_Check(arguments.get())) return {};
    std::string text(utf8_of(result_name.get()));
    text += " (";
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(arguments.get()); ++i) {
        if (i > 0) text += ", ";
        const Ref name = checked(PyObject_GetAttrString(PyTuple_GET_ITEM(arguments.get(), i), "cname"));
        text += utf8_of(name.get());
    }
    text += ")";
    const Signature signature = signature_of(text);
    if (signature == Signature::none) return {};
    const Ref uintptr = checked(PyObject_CallMethod(cffi.get(), "new_primitive_type", "s", "uintptr_t"));
    const Ref address = checked(PyObject_CallMethod(cffi.get(), "cast", "OO", uintptr.get(), object));
    const Ref number = checked(PyNumber_Long(address.get()));
    void* const entry = PyLong_AsVoidPtr(number.get());
    if (entry == nullptr && PyErr_Occurred()) throw_python_error();
    return found(signature, entry, nullptr, argument);
}

}  // namespace

bool may_be_compiled(PyObject* object) noexcept {
    return !PyFunction_Check(object) && !PyMethod_Check(object) && !PyCFunction_Check(object);
}

CompiledFunction recognise_compiled(PyObject* object, std::string_view argument) {
    if (!may_be_compiled(object)) return {};
    if (PyCapsule_CheckExact(object)) return from_capsule(object, argument);
    if (PyTuple_Check(object) && !PyTuple_CheckExact(object) &&
        type_named(object, "scipy._lib._ccallback.LowLevelCallable")) {
        if (PyTuple_GET_SIZE(object) < 1 || !PyCapsule_CheckExact(PyTuple_GET_ITEM(object, 0)))
            raise(PyExc_TypeError, "a LowLevelCallable without its capsule");
        return from_capsule(PyTuple_GET_ITEM(object, 0), argument);
    }
    if (type_named(object, "numba.core.ccallback.CFunc")) {
        const Ref pointer = checked(PyObject_GetAttrString(object, "ctypes"));
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
