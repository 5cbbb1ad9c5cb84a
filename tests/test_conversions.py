"""Conversion of Vector, Matrix, flag, text and pair arguments."""

import array
import collections
import sysconfig

import pytest

import vexari
from conftest import run_interrupted


def numpy_like_bool(truth=None, raises=False):
    # NumPy's boolean scalar is recognised by its type's module and name.
    namespace = {"__module__": "numpy"}
    if truth is not None or raises:
        namespace["__bool__"] = (lambda self: 1 / 0) if raises else (lambda self: truth)
    return type("bool_", (), namespace)()


MODULELESS = eval("type('bool_', (), {})", {})  # globals without __name__: no __module__


class Indexable:
    """A sequence by protocol only, with a __len__ that lies."""

    def __len__(self):
        return 1000

    def __getitem__(self, index):
        if index >= 3:
            raise IndexError
        return float(index)


class Broken(Indexable):
    def __getitem__(self, index):
        raise KeyError("no items")


def slope(x, y):
    return x + y


@pytest.mark.parametrize("values, expected", [
    ([1.0, 2.0, 3.0], 2.0), ((1, 2, 3), 2.0), (range(4), 1.5), (collections.deque([4.0, 6.0]), 5.0),
    (Indexable(), 1.0), ([True, 2], 1.5), (array.array("i", [1, 2]), 1.5), (b"\x01\x03", 2.0),
    (array.array("f", [0.1, 0.2]), (float(array.array("f", [0.1])[0]) + float(array.array("f", [0.2])[0])) / 2),
])
def test_vector_accepts_sequences(values, expected):
    assert vexari.mean(values) == expected


NOT_SEQUENCE = "argument 'values': '{}' object is not an instance of 'Sequence'"


@pytest.mark.parametrize("call, error, message", [
    (lambda: vexari.mean("123"), TypeError, "argument 'values': Can't extract `str` to `Vec`"),
    (lambda: vexari.mean(None), TypeError, "argument 'values': 'None' is not an instance of 'Sequence'"),
    *[(lambda v=v: vexari.mean(v), TypeError, NOT_SEQUENCE.format(type(v).__name__))
      for v in [5, {1.0, 2.0}, {1: 1.0}, (x for x in [1.0])]],
    (lambda: vexari.mean([1.0, "a"]), TypeError, "argument 'values': must be real number, not str"),
    (lambda: vexari.mat_vec(["ab"], [1.0]), TypeError, "argument 'matrix': Can't extract `str` to `Vec`"),
    (lambda: vexari.mat_vec([1.0], [1.0]), TypeError,
     "argument 'matrix': 'float' object is not an instance of 'Sequence'"),
    *[(lambda v=v: vexari.variance([1.0, 2.0], sample=v), TypeError,
       f"argument 'sample': {w} not an instance of 'bool'")
      for v, w in [(1, "'int' object is"), (0, "'int' object is"), (None, "'None' is"), (1.0, "'float' object is")]],
    (lambda: vexari.variance([1.0, 2.0], sample=numpy_like_bool()), TypeError,
     "argument 'sample': object of type 'bool_' does not define a '__bool__' conversion"),
    # A class made where no module name is known has no __module__ to tell whether it is NumPy's.
    (lambda: vexari.variance([1.0, 2.0], sample=MODULELESS()), TypeError,
     "argument 'sample': 'bool_' object is not an instance of 'bool'"),
    *[(lambda v=v: vexari.tangent(slope, 1.0, method=v), TypeError,
       f"argument 'method': '{type(v).__name__}' object is not an instance of 'str'") for v in [3, b"central"]],
    (lambda: vexari.tangent(slope, 1.0, method=None), TypeError,
     "argument 'method': 'None' is not an instance of 'str'"),
    (lambda: vexari.ode_direction_field(slope, [0.0, 1.0], (0.0, 1.0), 3, 3), TypeError,
     "argument 'x_range': 'list' object is not an instance of 'tuple'"),
    (lambda: vexari.ode_direction_field(slope, (0.0, 1.0), [0.0, 1.0], 3, 3), TypeError,
     "argument 'y_range': 'list' object is not an instance of 'tuple'"),
    (lambda: vexari.ode_direction_field(slope, (0.0, "1"), (0.0, 1.0), 3, 3), TypeError,
     "argument 'x_range': must be real number, not str"),
    *[(lambda b=b: vexari.ode_direction_field(slope, (0.0, 1.0), b, 3, 3), ValueError,
       f"expected tuple of length 2, but got tuple of length {len(b)}") for b in [(0.0, 1.0, 2.0), (1.0,), ()]],
    (lambda: vexari.tangent_lines(slope, 0.0, 1.0, "12"), TypeError,
     "argument 'centers': Can't extract `str` to `Vec`"),
    (lambda: vexari.covariance([1.0], None), TypeError, "argument 'right': 'None' is not an instance of 'Sequence'"),
])
def test_refusals(call, error, message):
    with pytest.raises(error) as caught:
        call()
    assert type(caught.value) is error and str(caught.value) == message


@pytest.mark.parametrize("call, error", [
    (lambda: vexari.mean(Broken()), KeyError),
    (lambda: vexari.mean([10**400]), OverflowError),
    (lambda: vexari.variance([1.0, 2.0], sample=numpy_like_bool(raises=True)), ZeroDivisionError),
    (lambda: vexari.tangent(slope, 1.0, method="\ud800"), UnicodeEncodeError),
])
def test_other_failures_pass_unchanged(call, error):
    with pytest.raises(error):
        call()


def test_flags_texts_pairs_and_rows():
    flags = (True, False, numpy_like_bool(True), numpy_like_bool(False))
    assert [vexari.variance([1.0, 3.0], sample=s) for s in flags] == [2.0, 1.0, 2.0, 1.0]
    assert vexari.tangent(lambda x: x * x, 1.0, method=type("Name", (str,), {})("central")) == vexari.tangent(
        lambda x: x * x, 1.0)
    assert len(vexari.ode_direction_field(slope, (0.0, 1.0), (0, 1), 2, 2)) == 4
    assert vexari.mat_vec([[1.0, 2.0], (3, 4)], [1.0, 1.0]) == [3.0, 7.0]


def test_buffers_of_doubles_read_as_their_items_and_odd_ones_fail_as_iteration_does():
    packed = array.array("d", [0.5, -0.0, 1e308, float("inf"), 2.0**-1074, 3.0])
    view = memoryview(packed)
    for case in [packed, view, view[::2], view[::-1], memoryview(packed.tobytes()).cast("d"), array.array("d")]:
        expected = [float(x) for x in case]
        assert repr(vexari.sub(case, [0.0] * len(expected))) == repr(expected)
    grid = memoryview(b"\x00" * 16).cast("d", (2, 1))
    with pytest.raises(Exception) as iterated:
        list(grid)
    with pytest.raises(iterated.type):
        vexari.mean(grid)
    released = memoryview(array.array("d", [1.0]))
    released.release()
    with pytest.raises(ValueError):
        vexari.mean(released)


def test_numpy_values():
    numpy = pytest.importorskip("numpy")
    data = numpy.arange(10, dtype=numpy.float64) / 3
    for case in [data, data[::3], data[::-1], data.astype(">f8"), data.astype(numpy.float32), numpy.arange(5)]:
        assert vexari.sub(case, [0.0] * len(case)) == [float(x) for x in case]
    assert vexari.mat_vec(numpy.eye(2), data[:2]) == [float(data[0]), float(data[1])]
    assert vexari.variance([1.0, 3.0], sample=numpy.True_) == 2.0


# A free-threaded CPython zero-fills the slots of a new list when it creates it (the default build
# gets them zeroed lazily by calloc), and releasing the list gives back every page so touched: for 3e8
# slots a second or more on an idle machine, several on a busy one, all before and after anything of
# ours runs. There the child first times making and dropping a list of as many slots, and that time is
# allowed on top.
SLOTS_ZEROED_FIRST = "started = time.monotonic()\nslots = [None] * (3 * 10**8)\ndel slots\n" \
                     "allowance = time.monotonic() - started" if sysconfig.get_config_var("Py_GIL_DISABLED") else ""


@pytest.mark.parametrize("call, setup, latency", [
    ("vexari.mean(range(10**18))", "", 0.25),  # converting a sequence item by item would never end
    ("vexari.mat_vec(rows, (0.5,))", "rows = ((0.5,),) * 10**8", 0.25),  # rows of a tuple
    # Building the result list: half a minute, and the part built must not take long to free.
    ("vexari.linspace(0.0, 1.0, 3 * 10**8)", SLOTS_ZEROED_FIRST, 0.25),
    ("vexari.normalize(range(10**18))", "", 0.25),
])
def test_ctrl_c_stops_long_conversions_and_result_building(call, setup, latency):
    assert run_interrupted(call, setup, latency) == "interrupted\n"
