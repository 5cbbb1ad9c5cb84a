"""Keyword arguments: a name given as the interpreter's interned str matches by
identity, any other str by its text, and both answer alike, down to the
message of a bad call."""

import ast
import ctypes
import subprocess
import sys
import textwrap

import pytest

import vexari
from stub_facts import parameters
from test_bits import CALLS, NAMESPACE, describe

newton, tanpi = vexari.newton, vexari.tanpi


def line(x):
    return x - 1.0


def fresh(name):
    """An equal str that is another object than the interned one."""
    return name.encode().decode()


class Twin(str):
    """Equal in text to a plain str, yet another key of a dict."""

    def __hash__(self):
        return 1


class Liar(str):
    """Claims to equal everything and prints as something else."""

    def __eq__(self, other):
        return True

    def __hash__(self):
        return 2

    def __str__(self):
        return "liar"


ROUTES = {"interned": sys.intern, "fresh": fresh, "subclass": Twin}


def test_the_routes_differ_where_they_should():
    assert fresh("x0") is not sys.intern("x0") and fresh("x0") == "x0"


@pytest.fixture(autouse=True)
def routes_in_describe(monkeypatch):
    """The calls that describe() evaluates can make names by every route."""
    monkeypatch.setitem(NAMESPACE, "fresh", fresh)
    monkeypatch.setitem(NAMESPACE, "subclass", Twin)
    monkeypatch.setitem(NAMESPACE, "sys", sys)


def fullest_call_of_each_function():
    """Per function, its pinned call with the most arguments, as (name, [argument texts in parameter order])."""
    chosen = {}
    for call in CALLS:
        node = ast.parse(call, mode="eval").body
        names = [p for p, _, _ in parameters(node.func.id)]
        given = dict(zip(names, map(ast.unparse, node.args))) | {k.arg: ast.unparse(k.value) for k in node.keywords}
        if len(given) < len(names):  # a gap before a keyword: fill it with the default the stub writes
            last = max(names.index(k) for k in given)
            given |= {p: d for p, _, d in parameters(node.func.id)[:last + 1] if p not in given}
        texts = [given[p] for p in names if p in given]
        if len(texts) > len(chosen.get(node.func.id, [])):
            chosen[node.func.id] = texts
    return sorted(chosen.items())


@pytest.mark.parametrize("function, texts", fullest_call_of_each_function())
def test_every_parameter_by_keyword_answers_as_by_position(function, texts):
    names = [p for p, _, _ in parameters(function)][:len(texts)]
    expected = describe(f"{function}({', '.join(texts)})")
    for split in range(len(texts)):
        given = list(zip(names, texts))[split:][::-1]  # by keyword, last first
        positional = ", ".join(texts[:split] + [""])
        written = ", ".join(f"{name}={text}" for name, text in given)
        assert describe(f"{function}({positional}{written})") == expected, written
        for route in ("fresh", "subclass"):
            made = ", ".join(f"{route}({name!r}): {text}" for name, text in given)
            assert describe(f"{function}({positional}**{{{made}}})") == expected, (route, made)
        # Interned and fresh names in one call, either first.
        mixed = ", ".join(f"{('fresh' if i % 2 else 'sys.intern')}({name!r}): {text}" for i, (name, text) in
                          enumerate(given))
        assert describe(f"{function}({positional}**{{{mixed}}})") == expected, mixed


@pytest.mark.parametrize("route", ROUTES)
@pytest.mark.parametrize("function, args, keywords, message", [
    (newton, (line, 1.0), ["x0"], "newton() got multiple values for argument 'x0'"),
    (newton, (line, 1.0, 1e-9, 9), ["max_iter"], "newton() got multiple values for argument 'max_iter'"),
    (newton, (line,), ["tolerance"], "newton() got an unexpected keyword argument 'tolerance'"),
    (newton, (line,), ["tōl"], "newton() got an unexpected keyword argument 'tōl'"),
    (newton, (line,), ["x0\u0301"], "newton() got an unexpected keyword argument 'x0\u0301'"),
    (newton, (line,), [""], "newton() got an unexpected keyword argument ''"),
    (newton, (line,), ["X0"], "newton() got an unexpected keyword argument 'X0'"),
    (newton, (), ["x0", "max_iter"], "newton() missing 1 required positional argument: 'function'"),
    (newton, (line, 1.0, 1e-9, 9, 7), ["tol"], "newton() takes from 2 to 4 positional arguments but 5 were given"),
    # Keywords are taken in the order given: the first bad one is the one named.
    (newton, (line, 1.0), ["bogus", "x0"], "newton() got an unexpected keyword argument 'bogus'"),
    (newton, (line, 1.0), ["tol", "x0", "bogus"], "newton() got multiple values for argument 'x0'"),
    (tanpi, (0.25,), ["x"], "tanpi() got multiple values for argument 'x'"),
])
def test_bad_keywords_are_worded_alike_on_every_route(route, function, args, keywords, message):
    with pytest.raises(TypeError) as info:
        function(*args, **{ROUTES[route](k): 0.5 for k in keywords})
    assert str(info.value) == message


@pytest.mark.parametrize("first", [sys.intern, fresh])
def test_one_name_twice_in_the_keywords(first):
    # A str subclass with its own hash lets one dict hold "x0" twice.
    with pytest.raises(TypeError, match=r"^newton\(\) got multiple values for argument 'x0'$"):
        newton(line, **{first("x0"): 1.0, Twin("x0"): 2.0})


def test_a_str_subclass_matches_by_its_text_alone():
    assert newton(line, **{Liar("x0"): 3.0}, max_iter=0)["root"] == 3.0
    # Its __eq__ is not asked and its __str__ does not name it.
    with pytest.raises(TypeError, match=r"^newton\(\) got an unexpected keyword argument 'zz'$"):
        newton(line, 1.0, **{Liar("zz"): 1.0})


def vectorcall(function, args, kwnames):
    """Calls function as a caller in C can, with any keyword tuple."""
    api = ctypes.pythonapi
    api.PyObject_Vectorcall.restype = ctypes.py_object
    api.PyObject_Vectorcall.argtypes = [ctypes.py_object, ctypes.c_void_p, ctypes.c_size_t, ctypes.py_object]
    array = (ctypes.py_object * len(args))(*args)
    return api.PyObject_Vectorcall(function, ctypes.cast(array, ctypes.c_void_p), len(args) - len(kwnames), kwnames)


@pytest.mark.parametrize("kwnames, message", [
    ((1,), "tanpi() keywords must be strings"),
    ((b"x",), "tanpi() keywords must be strings"),
    (("bogus", 1), "tanpi() got an unexpected keyword argument 'bogus'"),
    (("x", "x"), "tanpi() got multiple values for argument 'x'"),
    # An empty tuple is no keyword at all: the surplus argument is still counted.
    ((), "tanpi() takes 1 positional arguments but 2 were given"),
])
def test_keyword_tuples_only_c_can_pass(kwnames, message):
    assert vectorcall(tanpi, [0.25], ("x",)) == tanpi(0.25)
    with pytest.raises(TypeError) as info:
        vectorcall(tanpi, [0.25] * max(2, len(kwnames)), kwnames)
    assert str(info.value) == message


def run_child(script):
    child = subprocess.run([sys.executable, "-c", textwrap.dedent(script)], capture_output=True, text=True,
                           timeout=120)
    assert child.returncode == 0, child.stderr
    return child.stdout


def test_first_keyword_calls_race_in_many_threads():
    # A fresh process, so the names are made while the threads race.
    out = run_child("""
        import threading, vexari
        c = [0.5, -1.0, 0.25, 2.0]
        expected = [vexari.polyval(c, 0.1 * k) for k in range(8)]
        barrier, answers = threading.Barrier(8), [None] * 8
        def run(k):
            barrier.wait()
            name = "".join(["coef", "ficients"])  # equal, not interned
            answers[k] = [vexari.polyval(coefficients=c, x=0.1 * k) if (k + i) % 2 else
                          vexari.polyval(**{name: c, "x": 0.1 * k}) for i in range(2000)]
        threads = [threading.Thread(target=run, args=(k,)) for k in range(8)]
        for t in threads: t.start()
        for t in threads: t.join()
        print(all(set(answers[k]) == {expected[k]} for k in range(8)))
    """)
    assert out == "True\n"


def test_subinterpreters_match_by_text_and_leave_the_names_to_the_main_one():
    # The first keyword calls come from subinterpreters (one with an intern
    # table of its own), which then end; the main interpreter's calls follow.
    out = run_child("""
        import _interpreters
        code = '''if True:
            import vexari
            assert vexari.polyval(x=3.0, coefficients=[1.0, 2.0]) == 7.0
            try:
                vexari.newton(lambda x: x, 1.0, tolerance=1.0)
            except TypeError as e:
                assert str(e) == "newton() got an unexpected keyword argument 'tolerance'"
        '''
        for config in (_interpreters.new_config("legacy"), _interpreters.new_config("isolated", gil="shared")):
            interpreter = _interpreters.create(config)
            failure = _interpreters.exec(interpreter, code)
            assert failure is None, failure.formatted
            _interpreters.destroy(interpreter)
        import vexari
        print(vexari.polyval(x=3.0, coefficients=[1.0, 2.0]))
    """)
    assert out == "7.0\n"
