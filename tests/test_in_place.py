"""Lists read where they lie: the same results, calls and failures as converted values."""

import array
import struct

from hypothesis import given, settings, strategies as st

import vexari

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
vectors = st.lists(floats, max_size=8)

# Each reads its Vector arguments only; the extra values are quiet (exact floats, small ints, flags).
READERS = {
    "mean": lambda a, b: vexari.mean(a),
    "variance": lambda a, b: vexari.variance(a, sample=True),
    "summary": lambda a, b: vexari.summary(a),
    "covariance": lambda a, b: vexari.covariance(a, b, False),
    "correlation": lambda a, b: vexari.correlation(a, b),
    "linear_regression": lambda a, b: vexari.linear_regression(a, b),
    "dot": lambda a, b: vexari.dot(a, b),
    "norm": lambda a, b: vexari.norm(a),
    "add": lambda a, b: vexari.add(a, b),
    "sub": lambda a, b: vexari.sub(a, b),
    "scale": lambda a, b: vexari.scale(a, -1.5),
    "polyval": lambda a, b: vexari.polyval(a, 0.75),
    "linear_interpolate": lambda a, b: vexari.linear_interpolate(a, b, 0.5),
    "finite_difference": lambda a, b: vexari.finite_difference(a, 0.25),
    "moving_average": lambda a, b: vexari.moving_average(a, 2),
    "exponential_smooth": lambda a, b: vexari.exponential_smooth(a, 0.5),
    "normalize": lambda a, b: vexari.normalize(a),
    "find_peaks": lambda a, b: vexari.find_peaks(a, 0.0),
    "mat_vec": lambda a, b: vexari.mat_vec([a, list(b)] if len(a) == len(b) else [a], b),
    "solve": lambda a, b: vexari.solve([a] + [[float(i == j) for j in range(len(a))] for i in range(1, len(a))], b),
}


def spoil(values, where, kind):
    """The same values with one item of another type that converts to the same double."""
    spoiled = list(values)
    if spoiled:
        i = where % len(spoiled)
        value = spoiled[i]
        exact_int = value == value and abs(value) < 2**53 and value == int(value) and str(value)[0] != "-"
        spoiled[i] = Real(value) if kind == 0 else Counted(value) if kind == 1 else (
            int(value) if exact_int else Real(value))
    return spoiled


@settings(max_examples=400, deadline=None)
@given(st.sampled_from(sorted(READERS)), vectors, vectors, st.integers(0, 7), st.integers(0, 2), st.booleans())
def test_lists_of_floats_and_any_other_items_give_what_converted_values_give(name, a, b, where, kind, both):
    call = READERS[name]
    expected = outcome(lambda: call(tuple(a), tuple(b)))
    assert outcome(lambda: call(list(a), list(b))) == expected
    spoiled_b = spoil(b, where, kind) if both else list(b)
    assert outcome(lambda: call(spoil(a, where, kind), spoiled_b)) == expected


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
