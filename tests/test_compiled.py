"""Compiled functions (ctypes and cffi pointers, LowLevelCallables, numba cfuncs) run without the
interpreter, and answer, fail and call exactly as the same pointer wrapped in a Python function does."""

import ctypes
import math
import signal
import struct
import sys
import sysconfig
import threading
import time
from pathlib import Path

import pytest

import vexari
import compiled_library
from compiled_library import SCALAR, python_route
from conftest import run_interrupted
from stub_facts import CALLS_BACK

FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
# numba and cffi publish no wheel for the free-threaded interpreter.
NO_FREE_THREADED_WHEEL = {"numba", "cffi"}


def package(name):
    if FREE_THREADED and name in NO_FREE_THREADED_WHEEL:
        pytest.skip(f"{name} has no free-threaded wheel")
    return pytest.importorskip(name)


@pytest.fixture(scope="module")
def library():
    built = compiled_library.load()
    if built is None:
        pytest.skip("no C compiler")
    return built


@pytest.fixture(scope="module")
def cffi_module(tmp_path_factory):
    """The same functions in a compiled (API-mode) cffi module: its `lib`, and its file as a Library."""
    built = compiled_library.load_cffi_module(package("cffi"), tmp_path_factory.mktemp("cffi-module"))
    if built is None:
        pytest.skip("no C compiler")
    return built[0].lib, built[1]


# The file of vexari's machine code, where a compiled function called directly is called from.
VEXARI = Path(vexari.__file__).resolve()


def bits(value):
    """The value with every float as its eight bytes, so that NaNs and signed zeros compare."""
    if isinstance(value, float):
        return struct.pack("<d", value).hex()
    if isinstance(value, dict):
        return {key: bits(item) for key, item in value.items()}
    if isinstance(value, (list, tuple)):
        return [bits(item) for item in value]
    return value


def outcome(run, function):
    try:
        return "returned", bits(run(function))
    except Exception as error:  # the two routes must fail alike
        return "raised", type(error), str(error)


# A run of every function that calls back, by the shape of function it takes: plain runs, runs cut
# short by max_iter, and a residual function whose results outgrow their first room.
RUNS = {
    "newton": [("scalar", lambda f: vexari.newton(f, 1.0)), ("scalar", lambda f: vexari.newton(f, 1.0, max_iter=2))],
    "halley": [("scalar", lambda f: vexari.halley(f, 1.0))],
    "householder": [("scalar", lambda f, k=k: vexari.householder(f, 1.0, order=k)) for k in (2, 3, 5)],
    "tangent": [("scalar", lambda f: vexari.tangent(f, 1.5))],
    "gradient": [("vector_scalar", lambda f: vexari.gradient(f, [0.5, -1.0, 2.0]))],
    "gradient_descent": [("vector_scalar", lambda f: vexari.gradient_descent(f, [0.0, 0.0], 0.1, max_iter=40))],
    "tangent_minimize": [("scalar", lambda f: vexari.tangent_minimize(f, 1.0, max_iter=30))],
    "stationary_newton": [("scalar", lambda f: vexari.stationary_newton(f, 2.0))],
    "gauss_newton": [("vector_vector", lambda f: vexari.gauss_newton(f, [1.0, 1.0])),
                     ("vector_vector", lambda f: vexari.gauss_newton(f, [1.0, 1.0], max_iter=1)),
                     ("vector_vector", lambda f: vexari.gauss_newton(f, [2.0, 1.0, 0.5], max_iter=3), 100)],
    **{name: [("scalar2", lambda f, m=getattr(vexari, name): m(f, 1.0, 0.0, 1.0, 0.1))]
       for name in ("euler", "midpoint", "rk4")},
    "adaptive_rk4": [("scalar2", lambda f: vexari.adaptive_rk4(f, 1.0, 0.0, 2.0, 0.1))],
    "tanh_sinh": [("scalar", lambda f: vexari.tanh_sinh(f, 0.0, 2.0))],
    "tan_sinh": [("scalar", lambda f: vexari.tan_sinh(f, 1.0, max_levels=5))],
    "quad_inf": [("scalar", lambda f: vexari.quad_inf(f, max_levels=4))],
    "tangent_lines": [("scalar", lambda f: vexari.tangent_lines(f, 0.0, 1.0, [0.5, 1.5]))],
    "newton_animation_data": [("scalar", lambda f: vexari.newton_animation_data(f, 1.0))],
    "ode_direction_field": [("scalar2", lambda f: vexari.ode_direction_field(f, (0.0, 1.0), (-1.0, 1.0), 3, 4))],
    "sample_grid": [("scalar", lambda f: vexari.sample_grid(f, 0.0, 1.0, 7))],
}
# After how many calls the function answers what instead of its value.
ANSWERS = [(0, 0.0), (3, math.nan), (5, math.inf), (1, -math.inf), (2, -math.nan)]


def test_every_function_that_calls_back_has_compiled_runs():
    assert sorted(RUNS) == sorted(CALLS_BACK)


@pytest.mark.parametrize("fail_after, special", ANSWERS)
@pytest.mark.parametrize("name, shape, run, residual_count",
                         [(name, r[0], r[1], r[2] if len(r) > 2 else 2) for name, runs in RUNS.items() for r in runs])
def test_compiled_route_answers_and_calls_as_the_python_route(library, name, shape, run, residual_count,
                                                              fail_after, special):
    pointer = library.pointers[shape]
    library.reset(fail_after, special, residual_count=residual_count)
    compiled = outcome(run, pointer)
    compiled_log = library.log()
    library.reset(fail_after, special, residual_count=residual_count)
    through_python = outcome(run, python_route(shape, pointer))
    assert compiled == through_python
    assert bits(compiled_log) == bits(library.log()) and (compiled_log or compiled[0] == "raised")


def test_a_vector_result_gets_the_room_it_reports_and_a_negative_count_fails_the_run(library):
    library.reset(residual_count=100)
    vexari.gauss_newton(library.pointers["vector_vector"], [1.0, 2.0], max_iter=1)
    log = library.log()
    # each call logs n, x[0], x[1], room: the first is repeated with room for all 100
    assert log[:8] == [2.0, 1.0, 2.0, 64.0, 2.0, 1.0, 2.0, 100.0] and log[11] == 100.0
    library.reset(residual_count=-1)
    compiled = outcome(lambda f: vexari.gauss_newton(f, [1.0, 2.0]), library.pointers["vector_vector"])
    library.reset(residual_count=-1)
    assert compiled == outcome(lambda f: vexari.gauss_newton(f, [1.0, 2.0]), lambda v: [])


def llc_of(pointer, user_data=None):
    scipy = package("scipy")
    return scipy.LowLevelCallable(pointer, user_data)


def cffi_library(library):
    cffi = package("cffi")
    ffi = cffi.FFI()
    ffi.cdef("double cubic(double); double decay(double, double); double bowl(int, double *);"
             "int residuals(int, double *, int, double *);")
    return ffi, ffi.dlopen(library.path)


C_NAMES = {"scalar": "cubic", "scalar2": "decay", "vector_scalar": "bowl", "vector_vector": "residuals"}
SHAPE_RUNS = {"scalar": RUNS["newton"][0][1], "scalar2": RUNS["rk4"][0][1],
              "vector_scalar": RUNS["gradient_descent"][0][1], "vector_vector": RUNS["gauss_newton"][0][1]}


@pytest.mark.parametrize("shape", SHAPE_RUNS)
@pytest.mark.parametrize("kind", ["ctypes", "LowLevelCallable", "LowLevelCallable with user data", "cffi",
                                  "cffi module"])
def test_every_kind_of_compiled_object_is_called_directly(library, request, shape, kind):
    run = SHAPE_RUNS[shape]
    if kind == "cffi module":
        lib, library = request.getfixturevalue("cffi_module")
        compiled, expected = getattr(lib, C_NAMES[shape]), python_route(shape, library.pointers[shape])
    elif kind == "cffi":
        pointer = library.pointers[shape]
        compiled = getattr(cffi_library(library)[1], C_NAMES[shape])
        expected = python_route(shape, pointer)
    elif kind == "ctypes":
        compiled, expected = library.pointers[shape], python_route(shape, library.pointers[shape])
    elif kind == "LowLevelCallable":
        pointer = library.pointers[shape]
        compiled, expected = llc_of(pointer), python_route(shape, pointer)
    else:
        data = ctypes.cast(ctypes.pointer(library.scale), ctypes.c_void_p)
        pointer = library.with_data[shape]
        compiled, expected = llc_of(pointer, data), python_route(shape, pointer, data.value)
    library.reset()
    got = outcome(run, compiled)
    log, caller = library.log(), library.caller()
    library.reset()
    assert got[0] == "returned" and got == outcome(run, expected) and log == library.log()
    # Called from vexari's own machine code; the Python route's calls come from ctypes'.
    assert caller == VEXARI != library.caller()


def test_what_a_cffi_module_declares_with_other_types_keeps_the_python_route(cffi_module):
    lib, library = cffi_module

    def run(function):
        library.reset()
        return outcome(lambda f: vexari.sample_grid(f, 0.0, 1.5, 4), function), library.log(), library.caller()

    # A method of object's bound to the Lib is a built-in of the same `__self__`, and no function of the module.
    size = object.__sizeof__.__get__(lib)
    assert size.__self__ is lib
    # float (float) answers through the module's wrapper, rounded to single precision; the wrapper refuses a
    # call of decay with one argument, as Python refuses one of the method.
    for function, answer in [(lib.single_cubic, "returned"), (lib.decay, "raised"), (size, "raised")]:
        direct = run(function)
        assert direct[0][0] == answer and direct == run(lambda x: function(x)) and direct[2] != VEXARI


def test_a_builtin_bound_to_another_object_runs_none_of_its_code():
    seen = []

    class Table(dict):
        def __getattribute__(self, name):
            seen.append(name)
            return super().__getattribute__(name)

    lookup = dict.__getitem__.__get__(Table({0.0: 1.0, 0.5: 2.0, 1.0: 4.0}))
    assert type(lookup) is type(len) and type(lookup.__self__) is Table
    assert [point["y"] for point in vexari.sample_grid(lookup, 0.0, 1.0, 3)] == [1.0, 2.0, 4.0] and seen == []
    # A static method's built-in is bound to nothing at all.
    assert str.maketrans.__self__ is None
    assert outcome(lambda f: vexari.sample_grid(f, 0.0, 1.0, 1), str.maketrans) == outcome(
        lambda f: vexari.sample_grid(f, 0.0, 1.0, 1), lambda x: str.maketrans(x))


def test_numba_cfuncs_are_called_directly():
    numba = package("numba")
    types = numba.types

    @numba.cfunc(types.float64(types.float64))
    def cubic(x):
        return x * x * x - 2.0

    @numba.cfunc(types.intc(types.intc, types.CPointer(types.float64), types.intc, types.CPointer(types.float64)))
    def residuals(n, x, room, out):
        out[0] = x[0] * x[0] - 2.0
        out[1] = x[1] - 1.0
        return 2

    assert bits(vexari.newton(cubic, 1.0)) == bits(vexari.newton(lambda x: cubic.ctypes(x), 1.0))
    assert bits(vexari.gauss_newton(residuals, [1.0, 3.0])) == bits(
        vexari.gauss_newton(python_route("vector_vector", residuals.ctypes), [1.0, 3.0]))


def capsule(address, name):
    new = ctypes.pythonapi.PyCapsule_New
    new.restype, new.argtypes = ctypes.py_object, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p]
    return new(address, name, None)


def test_unusable_compiled_objects_are_refused_naming_the_argument_and_never_called(library):
    cubic = library.pointers["scalar"]
    address = ctypes.cast(cubic, ctypes.c_void_p).value
    cffi_null = cffi_library(library)[0].cast("double(*)(double)", 0)
    name = b"double (float)"
    refused = [(capsule(address, name), TypeError, "capsule of signature 'double (float)'"),
               (capsule(address, None), TypeError, "capsule of signature None"),
               (llc_of(cubic, None).__class__(cubic, signature="float (float)"), TypeError, "'float (float)'"),
               (SCALAR(), ValueError, "pointer is NULL"), (cffi_null, ValueError, "pointer is NULL"),
               (llc_of(cubic), TypeError, "'double (double)' where this function calls one of 'double (double, "
                                          "double)', 'double (double, double, void *)'"),
               (tuple.__new__(type(llc_of(cubic)), (address, None, None)), TypeError,
                "a LowLevelCallable without its capsule")]
    library.reset()
    for function, error, message in refused:
        with pytest.raises(error, match="^argument 'function': .*" + message.replace("(", r"\(").replace(")", r"\)")
                           .replace("*", r"\*")):
            vexari.euler(function, 1.0, 0.0, 1.0, 0.5)
        assert library.log() == []


def test_only_scipys_low_level_callable_is_read_as_one(library):
    # A look-alike of another module is a tuple like any other: not callable, and its capsule unread.
    capsule_of_cubic = tuple.__getitem__(llc_of(library.pointers["scalar"]), 0)
    look_alike = type("LowLevelCallable", (tuple,), {"__module__": "elsewhere"})((capsule_of_cubic, None, None))
    library.reset()
    with pytest.raises(TypeError, match="^'LowLevelCallable' object is not callable$"):
        vexari.newton(look_alike, 1.0)
    assert library.log() == []


def test_a_pointer_of_another_shape_keeps_the_python_route_where_ctypes_refuses_the_call(library):
    library.reset()
    with pytest.raises(TypeError, match=r"^this function takes at least 2 arguments \(1 given\)$"):
        vexari.newton(library.pointers["scalar2"], 1.0)
    with pytest.raises(ctypes.ArgumentError, match="argument 2"):
        vexari.euler(library.pointers["scalar"], 1.0, 0.0, 1.0, 0.5)
    assert library.log() == []
    # A type no signature has (float) is another shape too: ctypes converts the argument and the
    # result both ways, so the answer is the Python route's.
    as_float = ctypes.CFUNCTYPE(ctypes.c_double, ctypes.c_float)(("cubic_of_float", library.dll))
    assert bits(vexari.newton(as_float, 1.0)) == bits(vexari.newton(lambda x: as_float(x), 1.0))


def test_a_signal_pending_as_a_compiled_run_starts_stops_it_before_the_first_evaluation(library):
    # The handler runs at the first evaluation's look: the signal was sent by converting x0, in C
    # code called straight from the conversion, after which no Python code ran that would look.
    class Raised(Exception):
        pass

    def handler(signum, frame):
        raise Raised()

    class SendsSignal:
        __float__ = ctypes.CFUNCTYPE(ctypes.c_double)(("signal_then_one", library.dll))

    previous = signal.signal(signal.SIGUSR1, handler)
    try:
        library.reset()
        with pytest.raises(Raised):
            vexari.newton(library.pointers["scalar"], SendsSignal())
        assert library.log() == []
    finally:
        signal.signal(signal.SIGUSR1, previous)


def test_a_pointer_with_an_errcheck_hook_answers_through_it(library):
    pointer = SCALAR(("cubic", library.dll))
    pointer.errcheck = lambda result, function, arguments: result * 2.0
    assert vexari.sample_grid(pointer, 2.0, 2.0, 1)[0]["y"] == 12.0


def test_a_pyfunctype_pointer_is_called_holding_the_interpreter(library):
    # PYFUNCTYPE declares C code that uses the interpreter's API, so it keeps the Python route.
    def held(declare):
        return vexari.sample_grid(declare(ctypes.c_double, ctypes.c_double)(("holds_interpreter", library.dll)),
                                  0, 0, 1)[0]["y"]

    assert (held(ctypes.PYFUNCTYPE), held(ctypes.CFUNCTYPE)) == (1.0, 0.0)


def test_a_derivative_keeps_the_interpreter_for_its_handful_of_evaluations(library):
    # Letting go and taking it back would cost more than the two evaluations of a tangent; a run of
    # many evaluations lets go from the first.
    pointer = SCALAR(("doubled_when_held", library.dll))
    assert bits(vexari.tangent(pointer, 1.0)) == bits(vexari.tangent(lambda x: x * 2.0, 1.0))
    assert vexari.sample_grid(pointer, 3.0, 3.0, 1)[0]["y"] == 3.0


def test_the_interpreter_is_let_go_while_a_compiled_function_runs(library):
    entered, released = library.knob("entered", ctypes.c_int), library.knob("released", ctypes.c_int)
    entered.value = released.value = 0
    results = []
    worker = threading.Thread(target=lambda: results.append(vexari.sample_grid(library.wait_for_release, 0, 0, 1)))
    worker.start()
    while not entered.value:  # with the lock held by the worker, this thread waits until its call is over
        time.sleep(0.001)
    released.value = 1
    worker.join()
    assert results == [[{"x": 0.0, "y": 1.0}]]


def test_python_functions_behind_c_pointers_work_with_the_interpreter_let_go(monkeypatch):
    def cube(x):
        return x * x * x - 2.0

    pointer = SCALAR(cube)
    assert bits(vexari.newton(pointer, 1.0)) == bits(vexari.newton(cube, 1.0))
    assert bits(vexari.rk4(compiled_library.SCALAR2(lambda t, y: t - y), 0.0, 0.0, 1.0, 0.25)) == bits(
        vexari.rk4(lambda t, y: t - y, 0.0, 0.0, 1.0, 0.25))

    # One that raises: ctypes reports each failure as unraisable and answers whatever lay in memory,
    # on either route; nothing crashes or hangs, and vexari never sees the exception.
    reported = []
    monkeypatch.setattr(sys, "unraisablehook", lambda report: reported.append(type(report.exc_value)))
    calls = [0]

    def failing(x):
        calls[0] += 1
        if calls[0] >= 3:
            raise ZeroDivisionError("third")
        return x - 1.0

    pointer = SCALAR(failing)
    for route in (pointer, lambda x: pointer(x)):
        calls[0] = 0
        reported.clear()
        outcome(lambda f: vexari.newton(f, 2.0, max_iter=3), route)
        assert calls[0] >= 3 and reported == [ZeroDivisionError] * (calls[0] - 2)


def test_threads_run_compiled_calls_at_once(library):
    cubic = SCALAR(("plain_cubic", library.dll))
    expected = bits(vexari.tanh_sinh(cubic, 0.0, 2.0))
    results = []

    def work():
        for _ in range(20):
            results.append(bits(vexari.tanh_sinh(cubic, 0.0, 2.0)))

    threads = [threading.Thread(target=work) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == [expected] * 80


SETUP = ("import sys; sys.path.insert(0, {tests!r}); import compiled_library\n"
         "lib = compiled_library.Library({path!r})\nlib.reset(spin={spin}, residual_count={residuals})")


@pytest.mark.parametrize("call, spin, residuals", [
    # quick evaluations, the clock read every few thousand
    ("vexari.newton(lib.pointers['scalar'], 1.0, tol=-1.0, max_iter=10**12)", 3000, 2),
    # evaluations of 20 ms, longer than the look period
    ("vexari.tanh_sinh(lib.pointers['scalar'], 0.0, 1.0)", 10**8 // 5, 2),
    # seconds in the normal equations between evaluations (800 unknowns, 6000 residuals), where a watch looks
    ("vexari.gauss_newton(lib.pointers['vector_vector'], [1.0] * 800, tol=-1.0, max_iter=10**9)", 0, 6000),
])
def test_ctrl_c_stops_a_compiled_run(library, call, spin, residuals):
    setup = SETUP.format(tests=str(Path(__file__).parent), path=library.path, spin=spin, residuals=residuals)
    assert run_interrupted(call, setup) == "interrupted\n"


def test_the_call_holds_its_own_reference_to_the_compiled_object():
    # Besides the caller's argument, the call keeps the object (and so the code it owns) alive, however
    # other threads drop theirs while the lock is let go.
    seen = []
    pointer = SCALAR(lambda x: seen.append(sys.getrefcount(pointer)) or 0.0)
    before = sys.getrefcount(pointer)
    vexari.sample_grid(pointer, 0.0, 0.0, 1)
    vexari.sample_grid(lambda x: pointer(x), 0.0, 0.0, 1)  # the Python route takes none of its own
    # each route has the object once on the interpreter's stack (the argument; the callee of pointer(x))
    assert seen == [before + 2, before + 1]
