#pragma once
// Python callables as numeric functions. The first exception of a call
// (raised by the callable or by converting its result) is parked in the error
// slot, and from then on the adapter answers NaN or the empty Vector without
// calling Python; the wrapper that owns the slot raises the parked exception
// once the engine is done. The one failure the engine sees is a
// PanicException: it is not parked but thrown (as PythonError) through the
// engine, which must therefore hold nothing that a throw would leak; the
// engines of core keep their state in values and standard containers.
//
// A compiled function of the adapter's shape (see compiled_function.hpp) is
// called directly instead: no Python object is made and, after the first
// evaluation has let the interpreter go, no interpreter call happens until the
// wrapper takes it back to read the outcome. Such a function cannot fail, so
// the slot only ever parks a signal handler's exception for it.

#include "api/detached_run.hpp"
#include "convert.hpp"
#include "core/error.hpp"
#include "outcome.hpp"

#include <climits>
#include <limits>
#include <string_view>
#include <utility>

namespace vexari::api {

class ErrorSlot {
public:
    static constexpr bool runs_python_code = true;

    ErrorSlot() = default;
    ErrorSlot(const ErrorSlot&) = delete;
    ErrorSlot& operator=(const ErrorSlot&) = delete;

    bool holding() const noexcept { return static_cast<bool>(exception_); }

    // Takes the pending exception. A PanicException is not parked: it ends the
    // whole call at once (after a notice on stderr), so this throws for it.
    void take_pending();

    // Raises a routine's failure (see set_error). A parked exception is its
    // __cause__, as with `raise ValueError(message) from parked`, so the
    // user's own error is not lost behind it. The parked exception is raised
    // as it stands instead when it explains the failure (a run stopped by a
    // signal, results that changed shape because the function failed midway)
    // and when it is a KeyboardInterrupt, SystemExit or other BaseException
    // that is no Exception, which code handling the failure would swallow.
    [[noreturn]] void raise_failure(const core::Error& error);

    // True at the first evaluation of the call and then at every
    // interrupt_interval-th: looking for a pending signal costs about as much as
    // creating the argument float, and a handful of evaluations is still an
    // instant for anyone pressing Ctrl-C.
    static constexpr unsigned interrupt_interval = 8;
    bool interrupt_check_due() noexcept {
        if (--until_interrupt_check_ != 0) return false;
        until_interrupt_check_ = interrupt_interval;
        return true;
    }

    // A compiled function's run (see detached_run.hpp). Asked before each
    // compiled evaluation: whether it must not happen. The first one looks for
    // a pending signal and lets go of the interpreter; later ones look now and
    // then, taking the interpreter back for the look. A run of a fixed handful
    // of evaluations keeps the interpreter: letting it go and taking it back
    // would cost more than the evaluations, and the caller's loop looks for
    // signals between such runs.
    bool compiled_stopped(bool let_go) {
        if (exception_) return true;
        if (!let_go) return false;
        if (!run_.detached()) [[unlikely]]
            return start_detached();
        return run_.look_due() && interrupted_while_detached();
    }
    bool detached() const noexcept { return run_.detached(); }
    // For a watch of a detached run, asked between rows of work.
    bool look_while_detached() { return run_.look_due() && interrupted_while_detached(); }
    // Takes the interpreter back; the wrapper does so before reading the outcome.
    void attach() noexcept { run_.attach(); }

    // Storage for a compiled run: the copy of each vector argument (the C
    // function may write to it), and the room given to a vector result, the
    // largest it has needed so far.
    Vector& compiled_input(const Vector& v) {
        compiled_input_.assign(v.begin(), v.end());
        return compiled_input_;
    }
    std::size_t& output_room() noexcept { return output_room_; }

private:
    bool start_detached();
    bool interrupted_while_detached();

    template <class T>
    friend T value_or_raise(ErrorSlot& slot, core::Outcome<T>&& outcome);

    // Raises the parked exception unchanged, if there is one.
    void raise_if_holding() {
        if (!exception_) return;
        PyErr_SetRaisedException(exception_.release());
        throw_python_error();
    }

    Ref exception_;
    unsigned until_interrupt_check_ = 1;
    Vector compiled_input_;
    std::size_t output_room_ = 64;
    DetachedRun run_;  // last, so that the interpreter is back before the members above go
};

// The error convention for routines that call back into Python: a routine's
// message wins, carrying the parked exception as its cause (see
// raise_failure); otherwise a parked exception is raised; otherwise the
// routine's value is the result.
using vexari::value_or_raise;  // the form without a slot stays in view beside this one

template <class T>
T value_or_raise(ErrorSlot& slot, core::Outcome<T>&& outcome) {
    slot.attach();
    if (!outcome) slot.raise_failure(outcome.error());
    slot.raise_if_holding();
    return std::move(*outcome);
}

namespace callback_detail {

inline constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Built-in callables never reach the interpreter's loop, where Ctrl-C is
// noticed, so evaluations of one look for a pending signal (see
// ErrorSlot::interrupt_check_due).
inline bool interrupted(ErrorSlot& slot) {
    if (PyErr_CheckSignals() == 0) return false;
    slot.take_pending();
    return true;
}

// A Python function's frame looks for pending signals as it starts, and its
// KeyboardInterrupt comes back as the call's exception; looking beforehand
// as well would only cost every evaluation a few nanoseconds.
inline bool notices_signals_itself(PyObject* callable) noexcept { return PyFunction_Check(callable); }

// A fresh float, or an empty Ref with the exception set.
inline Ref new_float(double value) noexcept { return Ref::steal(PyFloat_FromDouble(value)); }

// A fresh list of fresh floats, or an empty Ref with the exception set.
Ref new_float_list(const Vector& values) noexcept;

}  // namespace callback_detail

// How many evaluations a run makes: `few` is a fixed handful (one derivative),
// too short to need its own look for pending signals; the caller's loop has one.
enum class Evaluations { many, few };

// The compiled function an adapter of that shape calls, or an empty one for
// the Python route. One of another shape keeps the Python route if it is
// callable; otherwise it raises TypeError naming the accepted signatures.
CompiledFunction compiled_for(const Callable& callable, Shape shape);

// Common state of the four adapters: the callable (the wrapper keeps it alive),
// the slot (the wrapper owns it) and, for a compiled function of the adapter's
// shape, its entry point, which every evaluation then calls instead.
class Adapter {
public:
    static constexpr bool runs_python_code = true;

    Adapter(const Callable& callable, ErrorSlot& slot, Shape shape, Evaluations evaluations)
        : callable_(callable.get()),
          slot_(&slot),
          watch_interrupts_(evaluations == Evaluations::many && !callback_detail::notices_signals_itself(callable_)),
          let_go_(evaluations == Evaluations::many),
          compiled_(compiled_for(callable, shape)) {}
    bool failed() const noexcept { return slot_->holding(); }

protected:
    // Whether the next evaluation must not happen: the slot holds an
    // exception, or a signal's handler has just raised one.
    bool stopped() const {
        return slot_->holding() ||
               (watch_interrupts_ && slot_->interrupt_check_due() && callback_detail::interrupted(*slot_));
    }

    // callable(arguments...), the arguments freshly made (an empty one means
    // making it failed): the result, or an empty Ref with the exception parked.
    template <class... Arguments>
    Ref call(const Arguments&... arguments) const {
        if ((!arguments || ...)) {
            slot_->take_pending();
            return {};
        }
        PyObject* vector[sizeof...(Arguments) + 1] = {nullptr, arguments.get()...};
        Ref result = Ref::steal(
            PyObject_Vectorcall(callable_, vector + 1, sizeof...(Arguments) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
        if (!result) slot_->take_pending();
        return result;
    }

    // The float rule applied to a call's result: NaN, with the exception
    // parked, for a failed call or a result that does not convert.
    double read_double(const Ref& result) const {
        if (!result) return callback_detail::nan;
        if (PyFloat_CheckExact(result.get())) return PyFloat_AS_DOUBLE(result.get());
        const double value = PyFloat_AsDouble(result.get());
        if (value == -1.0 && PyErr_Occurred()) {
            slot_->take_pending();
            return callback_detail::nan;
        }
        return value;
    }

    // The compiled entry point as the function type of its signature.
    template <class Function>
    Function* entry() const noexcept {
        return reinterpret_cast<Function*>(compiled_.entry);
    }
    bool takes_user_data() const noexcept {
        const Signature s = compiled_.signature;
        return s == Signature::scalar_data || s == Signature::scalar2_data || s == Signature::vector_scalar_data ||
               s == Signature::vector_vector_data;
    }

    PyObject* callable_;
    ErrorSlot* slot_;
    bool watch_interrupts_;
    bool let_go_;  // whether a compiled run lets go of the interpreter
    CompiledFunction compiled_;
};

// double x -> double: callable(x)
class Scalar : public Adapter {
public:
    Scalar(const Callable& callable, ErrorSlot& slot, Evaluations evaluations = Evaluations::many)
        : Adapter(callable, slot, Shape::scalar, evaluations) {}
    double operator()(double x) const {
        if (compiled_) {
            if (slot_->compiled_stopped(let_go_)) return callback_detail::nan;
            if (takes_user_data()) return entry<double(double, void*)>()(x, compiled_.user_data);
            return entry<double(double)>()(x);
        }
        if (stopped()) return callback_detail::nan;
        return read_double(call(callback_detail::new_float(x)));
    }
};

// doubles (a, b) -> double: callable(a, b)
class Scalar2 : public Adapter {
public:
    Scalar2(const Callable& callable, ErrorSlot& slot, Evaluations evaluations = Evaluations::many)
        : Adapter(callable, slot, Shape::scalar2, evaluations) {}
    double operator()(double a, double b) const {
        if (compiled_) {
            if (slot_->compiled_stopped(let_go_)) return callback_detail::nan;
            if (takes_user_data()) return entry<double(double, double, void*)>()(a, b, compiled_.user_data);
            return entry<double(double, double)>()(a, b);
        }
        if (stopped()) return callback_detail::nan;
        const Ref first = callback_detail::new_float(a);
        const Ref second = callback_detail::new_float(b);
        return read_double(call(first, second));
    }
};

// Vector -> double: callable(list)
class VectorScalar : public Adapter {
public:
    VectorScalar(const Callable& callable, ErrorSlot& slot, Evaluations evaluations = Evaluations::many)
        : Adapter(callable, slot, Shape::vector_scalar, evaluations) {}
    double operator()(const Vector& v) const {
        if (compiled_) return compiled(v);
        if (stopped()) return callback_detail::nan;
        return read_double(call(callback_detail::new_float_list(v)));
    }

private:
    double compiled(const Vector& v) const;
};

// Vector -> Vector: callable(list), the result read by the Vector rule. The
// second form reads it into out, reusing out's storage.
class VectorVector : public Adapter {
public:
    VectorVector(const Callable& callable, ErrorSlot& slot, Evaluations evaluations = Evaluations::many)
        : Adapter(callable, slot, Shape::vector_vector, evaluations) {}
    Vector operator()(const Vector& v) const;
    void operator()(const Vector& v, Vector& out) const;

private:
    void compiled(const Vector& v, Vector& out) const;
};

}  // namespace vexari::api
