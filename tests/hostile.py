"""Arguments for every function of the module, well-formed and hostile.

Each parameter's kind is read from the type stub (which the stub tests keep in
step with the module). Every exception that a hostile object or callable
raises on its own is a Planted or PlantedBase, so a property can tell it from
the module's own errors. The values themselves are plain lists, so that the
coverage-guided harness (fuzz/calls.py) draws from the same catalogue as the
hypothesis strategies here.
"""

import ast
import math
import pathlib
import signal

from hypothesis import strategies as st

import vexari
from conftest import SLOWDOWN, FailOn

STUB = pathlib.Path(__file__).parent.parent / "vexari-stubs" / "__init__.pyi"


class Planted(Exception):
    pass


class PlantedBase(BaseException):
    pass


class Hang(BaseException):
    """Raised by the alarm when a call runs far longer than its inputs warrant."""


# The stub's public alias names, as the kinds below know them.
STUB_KINDS = {"Real": "float", "Vector": "_Vector", "Matrix": "_Matrix", "Pair": "_Pair", "Count": "_Count",
              "ScalarFunction": "_Scalar", "ScalarFunction2": "_Scalar2", "VectorFunction": "_VectorScalar",
              "ResidualFunction": "_VectorVector"}


def parameter_kinds():
    """{function name: [(parameter, kind, has_default)]} from the stub's annotations."""
    kinds = {}
    for node in ast.parse(STUB.read_text()).body:
        if isinstance(node, ast.FunctionDef) and node.name in vexari.__all__:
            arguments = node.args.args
            first_default = len(arguments) - len(node.args.defaults)
            kinds[node.name] = [
                (a.arg, STUB_KINDS.get(ast.unparse(a.annotation), ast.unparse(a.annotation)), i >= first_default)
                for i, a in enumerate(arguments)
            ]
    return kinds


# Upper bounds that keep every well-formed call short; larger counts appear
# among the hostile values only where the module must refuse them up front.
COUNT_LIMITS = {"max_iter": 60, "order": 5, "max_levels": 9, "degree": 6, "window": 8, "count": 100,
                "x_count": 12, "y_count": 12}
UNSTORABLE = {"count": [2**62, 2**64 - 1], "x_count": [2**40, 2**63], "y_count": [2**40]}

SPECIAL_FLOATS = [0.0, -0.0, 1.0, -1.0, 0.5, 2.0, 3.0, 1e-3, 1e300, -1e300, 5e-324, math.inf, -math.inf, math.nan]
FLOATS = st.one_of(st.sampled_from(SPECIAL_FLOATS), st.floats(-10.0, 10.0))
VECTORS = st.lists(FLOATS, max_size=8)
# A small step over a moderate span is a long but honest run (10^7 points and
# more), and adaptive_rk4 with a tolerance of zero or below the rounding of its
# estimates creeps on at steps near 1e-16 until its point limit; both are left
# out so that the alarm catches only runs that should not be long.
STEPS = [0.1, 0.25, -0.5, 1.0, 3.0, 1e-3, 0.0, -0.0, 5e-324, 1e-300, 1e300, math.inf, -math.inf, math.nan]
ADAPTIVE_TOLERANCES = [1e-8, 1e-3, 1.0, -1.0, 1e300, math.inf, math.nan]
# So does adaptive_rk4 from y0 = ±1e300, where the rounding of y makes the two
# estimates disagree at every step (a minute to reach the point limit).
ADAPTIVE_STARTS = [v for v in SPECIAL_FLOATS if abs(v) != 1e300] + [-7.5, 2.25]
# The floats some parameters take from a list of their own instead of FLOATS.
FLOAT_CHOICES = {("euler", "step"): STEPS, ("midpoint", "step"): STEPS, ("rk4", "step"): STEPS,
                 ("adaptive_rk4", "initial_step"): STEPS, ("adaptive_rk4", "tol"): ADAPTIVE_TOLERANCES,
                 ("adaptive_rk4", "y0"): ADAPTIVE_STARTS}
FLOAT_OVERRIDES = {key: st.sampled_from(values) for key, values in FLOAT_CHOICES.items()}


class FloatSubclass(float):
    pass


class IntSubclass(int):
    pass


class StrSubclass(str):
    pass


class TupleSubclass(tuple):
    pass


class ListSubclass(list):
    pass


class RaisingNumber:
    def __float__(self):
        raise Planted("__float__")

    def __index__(self):
        raise Planted("__index__")


class WrongNumber:
    def __float__(self):
        return "not a float"

    def __index__(self):
        return 2.5


class ReentrantNumber:
    """Converting it runs the module again."""

    def __float__(self):
        return vexari.mean([1.0, 2.0])

    def __index__(self):
        return len(vexari.linspace(0.0, 1.0, 3))


class IndexOnly:
    def __index__(self):
        return 2


class LyingLength(list):
    def __len__(self):
        return 10**12


class RaisingLength:
    def __len__(self):
        raise Planted("__len__")

    def __getitem__(self, index):
        if index >= 3:
            raise IndexError
        return float(index)


class RaisingMidway:
    def __len__(self):
        return 5

    def __getitem__(self, index):
        if index == 2:
            raise Planted("__getitem__")
        return 1.0


class Shrinking:
    """A float that empties the list it sits in while being converted."""

    def __init__(self, owner):
        self.owner = owner

    def __float__(self):
        self.owner.clear()
        return 1.0


def shrinking_list():
    values = [1.0, 2.0, 3.0, 4.0]
    values.insert(1, Shrinking(values))
    return values


def recursive_list():
    values = [1.0]
    values.append(values)
    return values


def numpy_values():
    try:
        import numpy
    except ImportError:
        return []
    return [numpy.arange(4.0), numpy.arange(3), numpy.ones((2, 2)), numpy.float64(2.5), numpy.True_,
            numpy.arange(6.0)[::2], numpy.array(3.0)]


def hostile_catalogue():
    """The hostile objects, made afresh."""
    return ([None, 5, "1", b"1", object(), (), {}, {1.0}, 10**400, -(10**400), -1, 2**64, True,
             FloatSubclass(1.5), IntSubclass(3), StrSubclass("central"), TupleSubclass((0.0, 1.0)),
             ListSubclass([1.0, 2.0]), (0.0, 1.0, 2.0), [1.0, "a"], [[1.0], "ab"], range(4),
             RaisingNumber(), WrongNumber(), ReentrantNumber(), IndexOnly(), LyingLength([1.0, 2.0]),
             RaisingLength(), RaisingMidway(), [RaisingNumber()], [ReentrantNumber(), 1.0]]
            + numpy_values())


# Hostile values that change as they are read, so each call needs its own.
HOSTILE_BUILDERS = [shrinking_list, recursive_list]


def hostile_values():
    return st.one_of(st.sampled_from(hostile_catalogue()), *map(st.builds, HOSTILE_BUILDERS))


# Callables: what each returns, or how it misbehaves.
def first(a):
    x = a[0]
    return x[0] if isinstance(x, list) and x else x if isinstance(x, float) else 0.5


GOOD_SCALARS = [
    lambda *a: first(a) * first(a) - 2.0,
    lambda *a: math.sin(first(a)) + sum(a[1:]),
    lambda *a: 1.0,
    lambda *a: 0,
    lambda *a: True,
    lambda *a: FloatSubclass(0.25),
    lambda *a: IndexOnly(),
    lambda *a: ReentrantNumber(),
    lambda *a: vexari.newton(lambda x: x - 1.0, 0.0)["root"],
]
ODD_SCALARS = [
    lambda *a: math.nan,
    lambda *a: math.inf,
    lambda *a: "1.0",
    lambda *a: None,
    lambda *a: a[0].append(1.0) if isinstance(a[0], list) else None,
]
GOOD_VECTORS = [
    lambda v: [x - 1.0 for x in v],
    lambda v: [x * x - 2.0 for x in v] + [sum(v)],
    lambda v: v,
    lambda v: (1.0, 2.0),
    lambda v: [vexari.mean([1.0]), 2.0],
]
ODD_VECTORS = [
    lambda v: [],
    lambda v: [1.0] * (len(v) + 1),
    lambda v: v.clear() or [0.0],
    lambda v: (x for x in v),
    lambda v: "ab",
]
# Call number 0 never comes: that callback never fails.
FAILING_CALLS = [0, 0, 1, 2, 5, 30]


def planted_errors():
    return [Planted("raised"), PlantedBase("raised")]


def scalar_answers():
    good = st.sampled_from(GOOD_SCALARS)
    return st.one_of(good, good, good, st.sampled_from(ODD_SCALARS))


def vector_answers():
    good = st.sampled_from(GOOD_VECTORS)
    return st.one_of(good, good, st.sampled_from(ODD_VECTORS))


def callables(kind):
    answers = vector_answers() if kind == "_VectorVector" else scalar_answers()
    return st.builds(FailOn, answers, st.sampled_from(FAILING_CALLS), st.sampled_from(planted_errors()))


def well_formed(name, parameter, kind):
    if kind.startswith("_") and kind[1:] in ("Scalar", "Scalar2", "VectorScalar", "VectorVector"):
        return callables(kind)
    if kind == "float":
        return FLOAT_OVERRIDES.get((name, parameter), FLOATS)
    if kind == "_Count":
        return st.integers(0, COUNT_LIMITS.get(parameter, 20))
    if kind == "_Vector":
        return VECTORS
    if kind == "_Matrix":
        return st.lists(VECTORS, max_size=5)
    if kind == "_Pair":
        return st.tuples(FLOATS, FLOATS)
    if kind == "bool":
        return st.booleans()
    if kind == "str":
        return st.text(max_size=8)
    raise AssertionError(f"{name}: unknown kind {kind} of {parameter}")


def argument(name, parameter, kind, hostile):
    value = well_formed(name, parameter, kind)
    if not hostile:
        return value
    extra = st.sampled_from(UNSTORABLE[parameter]) if parameter in UNSTORABLE else st.nothing()
    return st.one_of(extra, hostile_values())


@st.composite
def calls(draw, name, parameters):
    """Positional arguments and keywords for one call; optional ones may be
    left out. In half the calls one argument is hostile."""
    args, kwargs = [], {}
    hostile = draw(st.integers(-len(parameters), len(parameters) - 1))
    for index, (parameter, kind, has_default) in enumerate(parameters):
        if has_default and index != hostile and draw(st.booleans()):
            continue
        value = draw(argument(name, parameter, kind, index == hostile))
        if kwargs or draw(st.integers(0, 3)) == 0:
            kwargs[parameter] = value
        else:
            args.append(value)
    return args, kwargs


def drawn_calls(name, count):
    """`count` calls of one function, the same on every run."""
    from hypothesis import HealthCheck, given, settings

    drawn = []

    @settings(max_examples=count, database=None, derandomize=True, deadline=None,
              suppress_health_check=list(HealthCheck))
    @given(calls(name, parameter_kinds()[name]))
    def gather(call):
        drawn.append(call)

    gather()
    return drawn


ALLOWED = (TypeError, ValueError, OverflowError, MemoryError, Planted, PlantedBase)
RESULT_TYPES = (float, list, dict, tuple)


def _alarm(signum, frame):
    raise Hang("the call ran past its time limit")


def run_checked(function, args, kwargs, seconds=10.0):
    """Calls function; returns the result or the allowed exception it raised.

    Anything else fails: a PanicException, an exception type the module must
    not raise, a malformed result, or a run that outlives the alarm.
    """
    previous = signal.signal(signal.SIGALRM, _alarm)
    signal.setitimer(signal.ITIMER_REAL, seconds * SLOWDOWN)
    try:
        result = function(*args, **kwargs)
    except vexari.PanicException as error:
        raise AssertionError(f"PanicException: {error}") from error
    except Hang:
        raise AssertionError("the call did not end in time") from None
    except ALLOWED as error:
        return error
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert isinstance(result, RESULT_TYPES), type(result)
    return result
