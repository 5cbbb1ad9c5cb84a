"""The compiled functions of compiled_functions.c, built with the system's C compiler, as ctypes
pointers of each accepted signature, and Python functions that call the same pointers through ctypes.

Both routes reach the same machine code, so they must answer the same bits and call it at the same
points in the same order; the C functions log their arguments for that comparison, and where they
were called from."""

import ctypes
import importlib
import shutil
import subprocess
import sys
import sysconfig
import tempfile
from pathlib import Path

SOURCE = Path(__file__).with_name("compiled_functions.c")

c_double, c_int, c_void_p = ctypes.c_double, ctypes.c_int, ctypes.c_void_p
double_p = ctypes.POINTER(c_double)

SCALAR = ctypes.CFUNCTYPE(c_double, c_double)
SCALAR_DATA = ctypes.CFUNCTYPE(c_double, c_double, c_void_p)
SCALAR2 = ctypes.CFUNCTYPE(c_double, c_double, c_double)
SCALAR2_DATA = ctypes.CFUNCTYPE(c_double, c_double, c_double, c_void_p)
VECTOR_SCALAR = ctypes.CFUNCTYPE(c_double, c_int, double_p)
VECTOR_SCALAR_DATA = ctypes.CFUNCTYPE(c_double, c_int, double_p, c_void_p)
VECTOR_VECTOR = ctypes.CFUNCTYPE(c_int, c_int, double_p, c_int, double_p)
VECTOR_VECTOR_DATA = ctypes.CFUNCTYPE(c_int, c_int, double_p, c_int, double_p, c_void_p)

FIRST_ROOM = 64  # the room a vector result first gets


def compiler():
    return shutil.which("cc") or shutil.which("gcc") or shutil.which("clang")


def build(folder):
    """The shared library, or None where no C compiler is found."""
    if compiler() is None:
        return None
    target = Path(folder) / "compiled_functions.so"
    subprocess.run([compiler(), "-O2", "-shared", "-fPIC", "-o", str(target), str(SOURCE), "-lm"], check=True)
    return target


class Library:
    """The loaded library: its pointers by shape, its log, and the knobs of its functions."""

    def __init__(self, path):
        self.path = str(path)
        self.dll = ctypes.CDLL(self.path)
        self.scale = c_double(3.0)  # the user data of the `_data` forms
        self.pointers = {
            "scalar": SCALAR(("cubic", self.dll)),
            "scalar2": SCALAR2(("decay", self.dll)),
            "vector_scalar": VECTOR_SCALAR(("bowl", self.dll)),
            "vector_vector": VECTOR_VECTOR(("residuals", self.dll)),
        }
        self.with_data = {
            "scalar": SCALAR_DATA(("scaled_cubic", self.dll)),
            "scalar2": SCALAR2_DATA(("scaled_decay", self.dll)),
            "vector_scalar": VECTOR_SCALAR_DATA(("scaled_bowl", self.dll)),
            "vector_vector": VECTOR_VECTOR_DATA(("scaled_residuals", self.dll)),
        }
        self.wait_for_release = SCALAR(("wait_for_release", self.dll))
        self.caller_file = ctypes.CFUNCTYPE(ctypes.c_char_p)(("caller_file", self.dll))

    def knob(self, name, kind=ctypes.c_long):
        return kind.in_dll(self.dll, name)

    def reset(self, fail_after=0, special=0.0, spin=0, residual_count=2):
        self.dll.reset()
        self.knob("fail_after").value = fail_after
        self.knob("special", c_double).value = special
        self.knob("spin").value = spin
        self.knob("residual_count", c_int).value = residual_count

    def log(self):
        count = min(self.knob("log_count", ctypes.c_size_t).value, 1 << 22)
        return list((c_double * count).in_dll(self.dll, "log_values"))

    def caller(self):
        """The file whose machine code made the last logged call, or None before any."""
        path = self.caller_file()
        return Path(path.decode()).resolve() if path else None


def python_route(shape, pointer, user_data=None):
    """A Python function calling the pointer through ctypes, as the compiled route calls it: a vector
    argument copied into a fresh array, a vector result given the same room and called again with
    room for all when it reports more."""
    extra = () if user_data is None else (user_data,)
    if shape == "scalar":
        return lambda x: pointer(x, *extra)
    if shape == "scalar2":
        return lambda t, y: pointer(t, y, *extra)
    if shape == "vector_scalar":
        return lambda v: pointer(len(v), (c_double * len(v))(*v), *extra)
    room = [FIRST_ROOM]

    def vector_vector(v):
        while True:
            out = (c_double * room[0])()
            count = pointer(len(v), (c_double * len(v))(*v), room[0], out, *extra)
            if count < 0:
                return []
            if count <= room[0]:
                return out[:count]
            room[0] = count

    return vector_vector


def load():
    """Builds the library into a fresh folder (kept for the process) and loads it; None without a compiler."""
    path = build(tempfile.mkdtemp(prefix="vexari-compiled-"))
    return None if path is None else Library(path)


# compiled_functions.c's functions of each shape as cffi declares them, and one of a type no shape has.
CFFI_DECLARATIONS = ("double cubic(double); double decay(double, double); double bowl(int, double *);"
                     "int residuals(int, double *, int, double *); float single_cubic(float);")


def load_cffi_module(cffi, folder):
    """compiled_functions.c as a compiled (API-mode) cffi module, its functions built-ins of its `lib`:
    the imported module and its file as a Library; None without a compiler. cffi writes the module's
    C source and the system's C compiler builds it (cffi's own compile step needs setuptools)."""
    if compiler() is None:
        return None
    name = "_vexari_compiled_functions"
    ffi = cffi.FFI()
    ffi.cdef(CFFI_DECLARATIONS)
    ffi.set_source(name, SOURCE.read_text())
    source, target = Path(folder) / f"{name}.c", Path(folder) / (name + sysconfig.get_config_var("EXT_SUFFIX"))
    ffi.emit_c_code(str(source))
    # A module's references to the interpreter are resolved as it loads, which macOS allows only when told.
    loose = ["-undefined", "dynamic_lookup"] if sys.platform == "darwin" else []
    subprocess.run([compiler(), "-O2", "-shared", "-fPIC", "-I", sysconfig.get_paths()["include"], *loose,
                    "-o", str(target), str(source), "-lm"], check=True)
    sys.path.insert(0, str(folder))
    try:
        module = importlib.import_module(name)
    finally:
        sys.path.remove(str(folder))
    return module, Library(target)
