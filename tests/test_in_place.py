"""Lists read where they lie: the same results, calls and failures as converted values."""

import array
import struct

from hypothesis import given, settings, strategies as st

import vexari
from conftest import LIST_READERS, OTHER_ARGUMENTS
from stub_facts import READS_LISTS

Real = type("Real", (float,), {})


class Counted:
    """A number by __float__ only, counting its conversions."""

    def __init__(self, value, log=None, name=None):
        self.value, self.log, self.name, self.calls = value, log, name, 0

    def __float__(self):
        self.calls += 1
        if self.log is not None:
            self.log.append(self.name)
        return self.value


def outcome(call):
    try:
        return "ok", repr(call())
    except Exception as error:  # the comparison is of whatever the call ends with
        return type(error), str(error)


floats = st.floats(allow_nan=True, allow_infinity=True) | st.sampled_from([0.0, -0.0, 1.0, 2.0, 1e-300])


def test_every_function_that_reads_lists_is_driven():
    # A new one needs the values of its other arguments in conftest.OTHER_ARGUMENTS.
    assert list(LIST_READERS) == READS_LISTS and set(OTHER_ARGUMENTS) <= set(READS_LISTS)


# The list readers, and the matrix ones over rows built from the two vectors.
READERS = {
    **LIST_READERS,
    "mat_vec": lambda a, b: vexari.mat_vec([a, list(b)] if len(a) == len(b) else [a], b),
    # Floats as one-item rows; any other item stands as a row of its own.
    "mat_vec rows": lambda a, b: vexari.mat_vec(type(a)(type(a)([x]) if type(x) is float else x for x in a), b[:1]),
    "solve": lambda a, b: vexari.solve([a] + [[float(i == j) for j in range(len(a))] for i in range(1, len(a))], b),
}


class Refusing:
    """A number whose __float__ raises."""

    def __float__(self):
        raise ArithmeticError("refused")


# Items that convert to the value they stand for, and items that fail to convert.
CONVERTING = {"subclass": Real, "int": lambda v: int(v) if v == int(v) and abs(v) < 2**53 else Real(v),
              "logged": "logged"}
FAILING = {"None": None, "str": "x", "huge int": 10**400, "list": [1.0], "complex": 1j, "refusing": Refusing()}


def build(recipe, log):
    """A fresh list of items from ("value", v) and ("kind", name) entries; logged items log their name."""
    items = []
    for tag, what in recipe:
        if tag == "value":
            items.append(what)
        elif what in FAILING:
            items.append(FAILING[what])
        elif CONVERTING[what] == "logged":
            items.append(Counted(len(items) + 0.5, log, f"{len(log)}:{len(items)}"))
        else:
            items.append(CONVERTING[what](len(items) + 0.25))
    return items


def full_outcome(call):
    """What the call ends with, down to the exception's cause."""
    try:
        return "ok", repr(call())
    except Exception as error:
        cause = error.__cause__
        return type(error), str(error), type(cause), str(cause)


def through_tuples(call):
    return lambda a, b: call(tuple(a), tuple(b))


small_vectors = st.lists(floats, max_size=4)
other_kinds = st.sampled_from(sorted(CONVERTING) + sorted(FAILING))


@settings(max_examples=300, deadline=None)
@given(st.sampled_from(sorted(READERS)), small_vectors, small_vectors, other_kinds, st.booleans(), st.booleans())
def test_a_list_answers_as_a_tuple_of_the_same_items(name, a, b, kind, into_b, replace):
    """Every item of every argument converts before the routine runs, whether the routine would read
    it or not: a list with another item at any position, among lengths that make the routine fail or
    return early, ends exactly as the tuple of the same items, with the same conversions in order."""
    call = READERS[name]
    target = b if into_b else a
    for where in range(len(target) + 1):
        recipes = [[("value", v) for v in a], [("value", v) for v in b]]
        chosen = recipes[1 if into_b else 0]
        if replace and where < len(chosen):
            chosen[where] = ("kind", kind)
        else:
            chosen.insert(where, ("kind", kind))
        outcomes, logs = [], []
        for route in (call, through_tuples(call)):
            log = []
            outcomes.append(full_outcome(lambda: route(build(recipes[0], log), build(recipes[1], log))))
            logs.append(log)
        assert outcomes[0] == outcomes[1], (where, recipes)
        assert logs[0] == logs[1], (where, recipes)
        assert outcome(lambda: call(list(a), list(b))) == outcome(lambda: call(tuple(a), tuple(b)))


def test_the_reported_cases_raise_the_conversion_error():
    cases = [
        (lambda: vexari.find_peaks([1.0, None], 0.0), TypeError, "argument 'values': must be real number, not NoneType"),
        (lambda: vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 1.0, "bad"], 0.5), TypeError,
         "argument 'y': must be real number, not str"),
        (lambda: vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 1.0, 10**400], 0.5), OverflowError,
         "int too large to convert to float"),
        (lambda: vexari.dot([1.0, "a"], [1.0]), TypeError, "argument 'left': must be real number, not str"),
        (lambda: vexari.variance([[1.0]], True), TypeError, "argument 'values': must be real number, not list"),
        (lambda: vexari.solve([1.0, 2.0], [1.0]), TypeError,
         "argument 'matrix': 'float' object is not an instance of 'Sequence'"),
        (lambda: vexari.mat_vec([[1.0], "junk"], [1.0, 2.0]), TypeError, "argument 'matrix': Can't extract `str` to `Vec`"),
    ]
    for call, kind, message in cases:
        assert outcome(call) == (kind, message)


def test_every_other_item_converts_once_and_in_parameter_order():
    log = []
    x = [0.0, Counted(1.0, log, "x")]
    y = [Counted(0.0, log, "y"), 1.0]
    assert vexari.linear_interpolate(x, y, Counted(0.5, log, "query")) == 0.5
    assert log == ["x", "y", "query"]
    # Read twice by the routine (mean, then deviations), converted once.
    item = Counted(3.0)
    assert vexari.variance([1.0, item]) == 1.0 and item.calls == 1
    same = [1.0, 2.0, Counted(2.0)]
    assert vexari.dot(same, same) == 9.0 and same[2].calls == 2


def test_failures_name_the_first_bad_argument():
    cases = [
        (lambda: vexari.polyval([1.0, "a"], "b"), "argument 'coefficients': must be real number, not str"),
        (lambda: vexari.moving_average([1.0, "a"], -1), "argument 'values': must be real number, not str"),
        (lambda: vexari.dot([1.0], [object()]), "argument 'right': must be real number, not object"),
        (lambda: vexari.mat_vec([[1.0], ["a"]], [1.0]), "argument 'matrix': must be real number, not str"),
        (lambda: vexari.polyval([1.0], "b"), "argument 'x': must be real number, not str"),
    ]
    for call, message in cases:
        assert outcome(call) == (TypeError, message)


def test_a_conversion_that_shortens_the_list_is_seen_as_iteration_sees_it():
    values = [1.0, None, 3.0]

    class Shortening:
        def __float__(self):
            values.pop()
            return 2.0

    values[1] = Shortening()
    assert vexari.mean(values) == 1.5 and len(values) == 2


def test_rows_of_other_shapes_and_buffers_read_as_their_items():
    assert vexari.mat_vec([[1.0, 2.0], (3, 4), [Real(5.0), 6]], [1.0, 1.0]) == [3.0, 7.0, 11.0]
    assert outcome(lambda: vexari.mat_vec([[1.0, 2.0], [1.0]], [1.0, 1.0])) == (
        ValueError, "vector lengths must match")
    doubles = [0.5, -0.0, 2.0**-1074, 3.0]
    packed = bytearray(1) + struct.pack("4d", *doubles)
    misaligned = memoryview(packed)[1:].cast("d")
    assert repr(vexari.scale(misaligned, 1.0)) == repr(doubles)
    assert vexari.dot(array.array("d", doubles), misaligned) == vexari.dot(doubles, doubles)


# Longer than two of the blocks in which lists are checked, with a remainder.
LONG = 19
SHORT_AND_LONG = [(LONG, LONG), (LONG, 2), (2, LONG), (LONG, 0), (1, LONG)]
ITEM_KINDS = ["logged", "subclass", "complex", "refusing"]


def test_a_long_list_answers_as_its_tuple_with_another_item_anywhere():
    """Every position of a list longer than the blocks it is checked in, in either argument, among
    lengths that make the routine fail (mismatched, too short) or read only part of a list: the
    list ends exactly as the tuple of the same items, down to the conversions made and their order."""
    for name, call in READERS.items():
        for lengths in SHORT_AND_LONG:
            plain = [[("value", 0.25 * i + 1.0) for i in range(n)] for n in lengths]
            for target in (0, 1):
                for where in range(lengths[target]):
                    for kind in ITEM_KINDS:
                        recipes = [list(plain[0]), list(plain[1])]
                        recipes[target][where] = ("kind", kind)
                        ends = []
                        for route in (call, through_tuples(call)):
                            log = []
                            ends.append((full_outcome(lambda: route(build(recipes[0], log), build(recipes[1], log))),
                                         log))
                        assert ends[0] == ends[1], (name, lengths, target, where, kind)


class Indexed:
    """A count by __index__ only, logging its conversions."""

    def __init__(self, value, log):
        self.value, self.log = value, log

    def __index__(self):
        self.log.append("index")
        if self.value is None:
            raise ArithmeticError("refused index")
        return self.value


# Arguments after a list that convert without Python code, run Python code to convert, or fail.
LATER = {
    "real": [lambda log: 0.75, lambda log: Counted(0.75, log, "later"), lambda log: Refusing(), lambda log: "x"],
    # Counts past one digit of an int (2**40 valid, 2**64 too large) are not known not to fail.
    "count": [lambda log: 2, lambda log: Indexed(2, log), lambda log: Indexed(None, log), lambda log: -1,
              lambda log: 2**40, lambda log: 2**64],
    "flag": [lambda log: True, lambda log: False, lambda log: None, lambda log: 1],
    "vector": [lambda log: [0.5] * LONG, lambda log: (0.5,) * LONG,
               lambda log: [0.5] * (LONG - 1) + [Counted(0.5, log, "later")], lambda log: [0.5, "x"]],
}
XS = [float(i) for i in range(LONG)]
# The functions whose list argument may wait for the routine, each as f(values, later).
WITH_LATER = {
    "scale": (lambda v, e: vexari.scale(v, e), "real"),
    "polyval": (lambda v, e: vexari.polyval(v, e), "real"),
    "finite_difference": (lambda v, e: vexari.finite_difference(v, e), "real"),
    "exponential_smooth": (lambda v, e: vexari.exponential_smooth(v, e), "real"),
    "find_peaks": (lambda v, e: vexari.find_peaks(v, e), "real"),
    "moving_average": (lambda v, e: vexari.moving_average(v, e), "count"),
    "variance": (lambda v, e: vexari.variance(v, e), "flag"),
    "covariance left": (lambda v, e: vexari.covariance(v, XS, e), "flag"),
    "covariance right": (lambda v, e: vexari.covariance(XS[:2], v, e), "flag"),
    "linear_interpolate y": (lambda v, e: vexari.linear_interpolate(XS[:len(v)], v, e), "real"),
    "linear_interpolate x": (lambda v, e: vexari.linear_interpolate(v, XS, e), "real"),
    "mat_vec": (lambda v, e: vexari.mat_vec([v, XS], e), "vector"),
    "solve": (lambda v, e: vexari.solve([v] + [[float(i == j) for j in range(len(v))] for i in range(1, len(v))],
                                        e[:len(v)]), "vector"),
}


def as_tuple(values):
    return tuple(values) if isinstance(values, list) else values


def test_later_arguments_that_run_python_or_fail_come_after_the_list_as_in_the_tuple():
    """A list may be left for the routine only when nothing after it can run Python code or fail;
    otherwise its own failures and conversions must still come first, as a tuple's do. So every
    later argument kind (plain, converting through Python code, failing) meets lists with another
    item at the ends and inside each block, and lists short enough to make the routine fail."""
    for name, (call, kind) in WITH_LATER.items():
        for later in LATER[kind]:
            for length in (0, 2, LONG):
                for where in sorted({0, 1, 8, 9, LONG - 1} & set(range(length))) or [None]:
                    for item in ITEM_KINDS:
                        recipe = [("value", 0.5 * i + 0.25) for i in range(length)]
                        if where is not None:
                            recipe[where] = ("kind", item)
                        ends = []
                        for wrap in (list, tuple):
                            log = []
                            values = build(recipe, log)
                            ends.append((full_outcome(lambda: call(wrap(values), later(log))), log))
                        assert ends[0] == ends[1], (name, later(None), length, where, item)


BUFFER_FORMATS = "bBhHiIlLqQfd"


def test_buffers_of_every_format_meet_later_arguments_as_their_items_do():
    for name, (call, kind) in WITH_LATER.items():
        for code in BUFFER_FORMATS:
            values = [(i * 7) % 5 + 0.5 if code in "fd" else (i * 7) % 5 for i in range(LONG)]
            for later in LATER[kind]:
                ends = []
                for values_as in (lambda v: array.array(code, v), list):
                    log = []
                    ends.append((full_outcome(lambda: call(values_as(values), later(log))), log))
                assert ends[0] == ends[1], (name, code, later(None))


def test_matrix_rows_with_another_item_anywhere_answer_as_tuples():
    for rows in (2, 3):
        for where in range(rows * LONG):
            for kind in ITEM_KINDS:
                recipe = [("value", float(i % 5) + (i // LONG == i % LONG)) for i in range(rows * LONG)]
                recipe[where] = ("kind", kind)
                ends = []
                for wrap in (list, tuple):
                    log = []
                    items = build(recipe, log)
                    matrix = wrap(wrap(items[r * LONG:(r + 1) * LONG]) for r in range(rows))
                    ends.append((full_outcome(lambda: vexari.mat_vec(matrix, XS)), log))
                assert ends[0] == ends[1], (rows, where, kind)
