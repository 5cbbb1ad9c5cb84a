"""A routine that reads lists in place may run no Python code: the compiler refuses any other."""

import pathlib
import shutil
import subprocess
import sysconfig

import pytest

from conftest import foreign_environment

SOURCES = pathlib.Path(__file__).parent.parent / "src"

# A routine over one list, given in each case a different way; each case names
# what the compiler must say, or None when the routine is allowed.
CASES = {
    "plain values": ("with_values([](const auto& v, double f, bool s) { return v.size() * f + s; }, 2.0, true)",
                     None),
    "core data by pointer": (
        "with_values([](const auto& v, Vector* out) { return out->size() + v.size(); }, &scratch)", None),
    "a capture": ("[&slot](const auto& v) { return v.size() + slot.holding(); }", "captures nothing"),
    "an interrupt watch": ("with_values([](const auto& v, const api::InterruptWatch& w) { return v.size() + w.failed(); },"
                           " api::InterruptWatch(slot))", "runs Python code"),
    "a callback adapter": ("with_values([](const auto& v, const api::Scalar& f) { return f(v.size()); },"
                           " api::Scalar(callable, slot))", "runs Python code"),
    "a callable": ("with_values([](const auto& v, Callable f) { return v.size() + (f.get() != nullptr); }, callable)",
                   "runs Python code"),
    "a Python object": ("with_values([](const auto& v, PyObject* o) { return v.size() + (o != nullptr); }, object)",
                        "runs Python code"),
}


@pytest.mark.parametrize("case", CASES)
def test_routines_that_read_in_place_run_no_python_code(case, tmp_path):
    compiler = shutil.which("c++") or shutil.which("g++")
    if compiler is None:
        pytest.skip("no C++ compiler")
    routine, refusal = CASES[case]
    source = tmp_path / "routine.cpp"
    source.write_text(f"""
#include "api/interrupt_watch.hpp"
#include "read_in_place.hpp"
using namespace vexari;
auto read(InPlaceVector& values, api::ErrorSlot& slot, Callable callable, PyObject* object, Vector& scratch) {{
    return read_in_place({routine}, values);
}}
""")
    include = sysconfig.get_path("include")
    done = subprocess.run([compiler, "-std=c++23", "-fsyntax-only", f"-I{SOURCES}", f"-I{include}", str(source)],
                          capture_output=True, text=True, env=foreign_environment())
    if refusal is None:
        assert done.returncode == 0, done.stderr
    else:
        assert done.returncode != 0 and refusal in done.stderr, done.stderr
