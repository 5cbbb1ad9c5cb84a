"""The module object: attributes, registration, function objects, PanicException."""

import inspect
import subprocess
import sys

import pytest

import vexari


def test_attributes():
    assert vexari.__version__ == "1.0.0"
    assert vexari.__doc__ == ""
    assert vexari.__all__[0] == "__version__"
    assert "newton" in vexari.__all__
    assert len(vexari.__all__) == len(set(vexari.__all__))
    for name in vexari.__all__[1:]:
        assert callable(getattr(vexari, name))


@pytest.mark.parametrize("name", [n for n in vexari.__all__ if n != "__version__"])
def test_function_objects(name):
    function = getattr(vexari, name)
    assert function.__module__ == "vexari"
    assert function.__self__ is None
    assert function.__doc__ is None
    assert function.__name__ == name
    # The text signature parses, and every parameter is positional-or-keyword.
    parameters = inspect.signature(function).parameters.values()
    assert all(p.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD for p in parameters)


def test_newton_signature():
    assert vexari.newton.__text_signature__ == "(function, x0, tol=1e-10, max_iter=50)"
    defaults = {p.name: p.default for p in inspect.signature(vexari.newton).parameters.values()}
    assert defaults == {
        "function": inspect.Parameter.empty,
        "x0": inspect.Parameter.empty,
        "tol": 1e-10,
        "max_iter": 50,
    }


def test_panic_exception_is_not_an_exception():
    assert issubclass(vexari.PanicException, BaseException)
    assert not issubclass(vexari.PanicException, Exception)
    assert vexari.PanicException.__name__ == "PanicException"
    assert "PanicException" not in vexari.__all__


def test_only_pyinit_is_exported():
    nm = subprocess.run(["nm", "-D", "--defined-only", vexari.__file__], capture_output=True, text=True)
    if nm.returncode != 0:
        pytest.skip("nm is not available")
    functions = [line.split()[-1] for line in nm.stdout.splitlines() if line.split()[1] in "TtWi"]
    assert functions == ["PyInit_vexari"]


def test_module_reloads_in_fresh_interpreters():
    # Each import runs the execution step anew on a fresh module object.
    code = "import vexari, sys; print(vexari.__all__[0], vexari.newton(lambda x: x - 1.0, 0.0)['converged'])"
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert out.stdout.split() == ["__version__", "True"]
