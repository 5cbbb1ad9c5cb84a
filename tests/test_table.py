"""The module object: every function in registration order with its text signature, PanicException, exports."""

import ast
import inspect
import subprocess

import pytest

import vexari
from stub_facts import FUNCTIONS, parameters, text_signature

# The stub declares the functions in registration order, with their parameters and defaults.


def test_module_attributes():
    assert vexari.__all__ == ["__version__", *FUNCTIONS]
    assert (vexari.__version__, vexari.__doc__) == ("1.0.0", "")
    assert issubclass(vexari.PanicException, BaseException) and not issubclass(vexari.PanicException, Exception)
    assert vexari.PanicException.__name__ == "PanicException"


@pytest.mark.parametrize("name", FUNCTIONS)
def test_text_signature(name):
    function = getattr(vexari, name)
    arguments = FUNCTIONS[name].args
    # Every parameter may be passed by position or by keyword, so the stub declares no other kind.
    assert not (arguments.posonlyargs or arguments.vararg or arguments.kwonlyargs or arguments.kwarg), name
    assert function.__text_signature__ == text_signature(name)
    assert (function.__doc__, function.__module__, function.__self__, function.__name__) == (None, "vexari", None, name)
    declared = parameters(name)
    seen = inspect.signature(function).parameters.values()
    assert [p.name for p in seen] == [parameter for parameter, _, _ in declared]
    for p, (_, _, default) in zip(seen, declared):
        assert p.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD
        if default is None:
            assert p.default is inspect.Parameter.empty
        else:
            expected = ast.literal_eval(default)
            assert type(p.default) is type(expected) and p.default == expected


def test_only_pyinit_is_exported():
    nm = subprocess.run(["nm", "-D", "--defined-only", vexari.__file__], capture_output=True, text=True)
    if nm.returncode != 0:
        pytest.skip("nm is not available")
    assert [line.split()[-1] for line in nm.stdout.splitlines() if line.split()[1] in "TtWi"] == ["PyInit_vexari"]
