#!/usr/bin/env python3
"""Coverage-guided fuzzing of every function through Python (./dev fuzz-guided).

The fuzzer's bytes choose a function and its arguments: numbers, lists and
tuples, numeric buffers of every standard format (array.array and numpy,
strided and reversed views among them) and, for one argument of the call at
times, a hostile value from the test suite's catalogue (tests/hostile.py),
whose callables answer junk or raise. The module is built with libFuzzer's
coverage and the sanitizers, so the fuzzer steers by the C++ it reaches.

Every call must end in a result of the shape its stub annotation gives, or in
an exception it may raise (hostile.run_checked). Callables stop answering
after a budget of calls, so that runs which are long by right (a tolerance
below the rounding of huge values, a tiny step over a long span) end early. The same call with each list
argument as a tuple of the same items must answer the same, to the repr of the
result or the type and text of the error.
"""

import array
import ast
import math
import pathlib
import sys
import warnings

import atheris

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests"))

import numpy  # noqa: E402

import hostile  # noqa: E402
import vexari  # noqa: E402
from conftest import FailOn  # noqa: E402

KINDS = hostile.parameter_kinds()
NAMES = sorted(KINDS)
STUB = ast.parse(hostile.STUB.read_text())
RETURNS = {node.name: node.returns for node in STUB.body if isinstance(node, ast.FunctionDef) and node.name in KINDS}
FIELDS = {node.name: {field.target.id: field.annotation for field in node.body if isinstance(field, ast.AnnAssign)}
          for node in STUB.body if isinstance(node, ast.ClassDef)}

ARRAY_CODES = "bBhHiIlLqQfd"
NUMPY_TYPES = ["bool", "int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64",
               "float16", "float32", "float64", "complex128", "longdouble"]
# Counts past 64 bits, and numbers that are no count. (A huge count that fits,
# as a max_iter of 2**31 for polyroot, which calls nothing, is a long run by
# right; counts that must be refused up front come from hostile.UNSTORABLE.)
HUGE_COUNTS = [2**64, 10**30, -(2**63), math.nan, math.inf]
# Enough for every level of a quadrature at the largest max_levels drawn.
CALL_BUDGET = 20_000
# numpy's complex buffers warn as they are read; the reading is what is tested.
warnings.simplefilter("ignore")


class Budgeted(FailOn):
    """A FailOn that raises Planted once it has answered CALL_BUDGET calls."""

    def __call__(self, *args):
        if self.count >= CALL_BUDGET:
            raise hostile.Planted("call budget spent")
        return super().__call__(*args)


def conforms(value, annotation):
    """Whether value has the shape the stub's annotation gives."""
    if isinstance(annotation, ast.Name):
        simple = {"float": float, "int": int, "bool": bool}
        if annotation.id in simple:
            return type(value) is simple[annotation.id]
        fields = FIELDS[annotation.id]
        return (type(value) is dict and value.keys() == fields.keys()
                and all(conforms(value[key], field) for key, field in fields.items()))
    container = annotation.value.id
    if container == "list":
        return type(value) is list and all(conforms(item, annotation.slice) for item in value)
    if container == "tuple":
        items = annotation.slice.elts
        return type(value) is tuple and len(value) == len(items) and all(map(conforms, value, items))
    raise AssertionError(f"no shape check for {ast.unparse(annotation)}")


class Draw:
    """Arguments read from the fuzzer's bytes; with as_tuples, each plain list comes as a tuple."""

    def __init__(self, data, as_tuples):
        self.bytes = atheris.FuzzedDataProvider(data)
        self.as_tuples = as_tuples

    def pick(self, options):
        return options[self.bytes.ConsumeIntInRange(0, len(options) - 1)]

    def real(self):
        if self.bytes.ConsumeBool():
            return self.pick(hostile.SPECIAL_FLOATS)
        return self.bytes.ConsumeFloatInRange(-10.0, 10.0)

    def sequence(self, items):
        return tuple(items) if self.as_tuples else items

    def buffer(self, values):
        """The values in a numeric buffer of some format, perhaps as a strided or reversed view."""
        with numpy.errstate(all="ignore"):
            if self.bytes.ConsumeBool():
                code = self.pick(ARRAY_CODES)
                if code not in "fd":
                    bits = array.array(code).itemsize * 8
                    low, high = (0, 2**bits - 1) if code.isupper() else (-(2**(bits - 1)), 2**(bits - 1) - 1)
                    values = [min(max(int(v), low), high) if math.isfinite(v) else 0 for v in values]
                data = array.array(code, values)
                view = self.pick([lambda: data, lambda: memoryview(data)[::2], lambda: memoryview(data)[::-1],
                                  lambda: memoryview(data).cast("B")])
            else:
                data = numpy.array(values, dtype="float64").astype(self.pick(NUMPY_TYPES))
                view = self.pick([lambda: data, lambda: data[::2], lambda: data[::-1], lambda: data[1:],
                                  lambda: data.reshape(1, -1), lambda: numpy.stack([data, data], axis=1)[:, 0]])
            return view()

    def vector(self):
        values = [self.real() for _ in range(self.bytes.ConsumeIntInRange(0, 8))]
        return self.buffer(values) if self.bytes.ConsumeIntInRange(0, 3) == 0 else self.sequence(values)

    def matrix(self):
        rows = self.bytes.ConsumeIntInRange(0, 5)
        if self.bytes.ConsumeIntInRange(0, 5) == 0:
            columns = self.bytes.ConsumeIntInRange(0, 5)
            flat = [self.real() for _ in range(rows * columns)]
            return numpy.array(flat).reshape(rows, columns)[:: self.pick([1, -1])]
        return self.sequence([self.vector() for _ in range(rows)])

    def callable(self, kind):
        if kind == "_VectorVector":
            answers = self.pick([hostile.GOOD_VECTORS, hostile.GOOD_VECTORS, hostile.ODD_VECTORS])
        else:
            answers = self.pick([hostile.GOOD_SCALARS, hostile.GOOD_SCALARS, hostile.GOOD_SCALARS, hostile.ODD_SCALARS])
        return Budgeted(self.pick(answers), self.pick(hostile.FAILING_CALLS), self.pick(hostile.planted_errors()))

    def well_formed(self, name, parameter, kind):
        if kind in ("_Scalar", "_Scalar2", "_VectorScalar", "_VectorVector"):
            return self.callable(kind)
        if kind == "float":
            choices = hostile.FLOAT_CHOICES.get((name, parameter))
            return self.pick(choices) if choices else self.real()
        if kind == "_Count":
            return self.bytes.ConsumeIntInRange(0, hostile.COUNT_LIMITS.get(parameter, 20))
        if kind == "_Vector":
            return self.vector()
        if kind == "_Matrix":
            return self.matrix()
        if kind == "_Pair":
            return (self.real(), self.real())
        if kind == "bool":
            return self.bytes.ConsumeBool()
        if kind == "str":
            return self.pick(["central", "forward", "", self.bytes.ConsumeUnicodeNoSurrogates(8)])
        raise AssertionError(f"{name}: unknown kind {kind} of {parameter}")

    def hostile(self, parameter, kind):
        catalogue = hostile.hostile_catalogue() + [build() for build in hostile.HOSTILE_BUILDERS]
        catalogue += hostile.UNSTORABLE.get(parameter, []) + (HUGE_COUNTS if kind == "_Count" else [])
        return self.pick(catalogue)

    def call(self):
        """A function and its arguments, as hostile.calls draws them."""
        name = self.pick(NAMES)
        parameters = KINDS[name]
        chosen = self.bytes.ConsumeIntInRange(-len(parameters), len(parameters) - 1)
        args, kwargs = [], {}
        for index, (parameter, kind, has_default) in enumerate(parameters):
            if has_default and index != chosen and self.bytes.ConsumeBool():
                continue
            value = self.hostile(parameter, kind) if index == chosen else self.well_formed(name, parameter, kind)
            if kwargs or self.bytes.ConsumeIntInRange(0, 3) == 0:
                kwargs[parameter] = value
            else:
                args.append(value)
        self.misshape(parameters, args, kwargs)
        return name, args, kwargs

    def misshape(self, parameters, args, kwargs):
        """Now and then an argument too few or too many, an unknown keyword, or one given twice."""
        choice = self.bytes.ConsumeIntInRange(0, 15)
        if choice == 1 and args:
            args.pop()
        elif choice == 2 and kwargs:
            kwargs.pop(self.pick(sorted(kwargs)))
        elif choice == 3:
            args.append(self.real())
        elif choice == 4:
            kwargs[self.pick(["tolerance", "x", ""])] = self.real()
        elif choice == 5 and args:
            kwargs[parameters[len(args) - 1][0]] = args[-1]


def outcome(name, args, kwargs):
    answer = hostile.run_checked(getattr(vexari, name), args, kwargs)
    if isinstance(answer, BaseException):
        return type(answer), str(answer)
    assert conforms(answer, RETURNS[name]), f"{name} answered {answer!r}, not {ast.unparse(RETURNS[name])}"
    return "result", repr(answer)


def test_one_input(data):
    name, args, kwargs = Draw(data, as_tuples=False).call()
    as_lists = outcome(name, args, kwargs)
    _, args, kwargs = Draw(data, as_tuples=True).call()
    as_tuples = outcome(name, args, kwargs)
    assert as_lists == as_tuples, f"{name}: lists gave {as_lists}, tuples {as_tuples}"


if __name__ == "__main__":
    atheris.Setup(sys.argv, test_one_input)
    atheris.Fuzz()
