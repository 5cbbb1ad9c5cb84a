"""Conversion of Vector, Matrix, flag, text and pair arguments."""

import collections

import pytest

import vexari


def numpy_like_bool(truth=None):
    # Stands in for NumPy's boolean scalar, which is recognised by its type's
    # module and name.
    namespace = {"__module__": "numpy"}
    if truth is not None:
        namespace["__bool__"] = lambda self: truth
    return type("bool_", (), namespace)()


class Indexable:
    """A sequence by protocol only, with a __len__ that lies."""

    def __len__(self):
        return 1000

    def __getitem__(self, index):
        if index >= 3:
            raise IndexError
        return float(index)


@pytest.mark.parametrize(
    "values, expected",
    [
        ([1.0, 2.0, 3.0], 2.0),
        ((1, 2, 3), 2.0),
        (range(4), 1.5),
        (collections.deque([4.0, 6.0]), 5.0),
        (Indexable(), 1.0),
        ([True, 2], 1.5),
    ],
)
def test_vector_accepts_sequences(values, expected):
    assert vexari.mean(values) == expected


@pytest.mark.parametrize(
    "values, message",
    [
        ("123", "argument 'values': Can't extract `str` to `Vec`"),
        (5, "argument 'values': 'int' object is not an instance of 'Sequence'"),
        (None, "argument 'values': 'None' is not an instance of 'Sequence'"),
        ({1.0, 2.0}, "argument 'values': 'set' object is not an instance of 'Sequence'"),
        ({1: 1.0}, "argument 'values': 'dict' object is not an instance of 'Sequence'"),
        ((x for x in [1.0]), "argument 'values': 'generator' object is not an instance of 'Sequence'"),
    ],
)
def test_vector_refusals(values, message):
    with pytest.raises(TypeError) as caught:
        vexari.mean(values)
    assert str(caught.value) == message


def test_vector_item_failure_is_named():
    with pytest.raises(TypeError) as caught:
        vexari.mean([1.0, "a"])
    assert str(caught.value) == "argument 'values': must be real number, not str"


def test_vector_iteration_failures_pass_unchanged():
    class Broken(Indexable):
        def __getitem__(self, index):
            raise KeyError("no items")

    with pytest.raises(KeyError):
        vexari.mean(Broken())
    with pytest.raises(OverflowError):
        vexari.mean([10**400])


def test_matrix_rows_follow_the_vector_rule():
    assert vexari.mat_vec([[1.0, 2.0], (3, 4)], [1.0, 1.0]) == [3.0, 7.0]
    with pytest.raises(TypeError) as caught:
        vexari.mat_vec(["ab"], [1.0])
    assert str(caught.value) == "argument 'matrix': Can't extract `str` to `Vec`"
    with pytest.raises(TypeError) as caught:
        vexari.mat_vec([1.0], [1.0])
    assert str(caught.value) == "argument 'matrix': 'float' object is not an instance of 'Sequence'"


def test_flag_takes_only_booleans():
    assert vexari.variance([1.0, 3.0], sample=True) == 2.0
    assert vexari.variance([1.0, 3.0], sample=False) == 1.0
    assert vexari.variance([1.0, 3.0], sample=numpy_like_bool(True)) == 2.0
    assert vexari.variance([1.0, 3.0], sample=numpy_like_bool(False)) == 1.0
    for value, type_name in [(1, "int"), (0, "int"), (None, None), (1.0, "float")]:
        with pytest.raises(TypeError) as caught:
            vexari.variance([1.0, 2.0], sample=value)
        what = "'None' is" if type_name is None else f"'{type_name}' object is"
        assert str(caught.value) == f"argument 'sample': {what} not an instance of 'bool'"


def test_flag_without_truth_slot():
    with pytest.raises(TypeError) as caught:
        vexari.variance([1.0, 2.0], sample=numpy_like_bool())
    assert str(caught.value) == (
        "argument 'sample': object of type 'bool_' does not define a '__bool__' conversion"
    )


def test_flag_truth_slot_error_passes_unchanged():
    value = numpy_like_bool()
    type(value).__bool__ = lambda self: 1 / 0
    with pytest.raises(ZeroDivisionError):
        vexari.variance([1.0, 2.0], sample=value)


def test_text_takes_only_str():
    class Name(str):
        pass

    assert vexari.tangent(lambda x: x * x, 1.0, method=Name("central")) == vexari.tangent(
        lambda x: x * x, 1.0
    )
    with pytest.raises(TypeError) as caught:
        vexari.tangent(lambda x: x, 1.0, method=3)
    assert str(caught.value) == "argument 'method': 'int' object is not an instance of 'str'"
    with pytest.raises(TypeError) as caught:
        vexari.tangent(lambda x: x, 1.0, method=b"central")
    assert str(caught.value) == "argument 'method': 'bytes' object is not an instance of 'str'"
    with pytest.raises(UnicodeEncodeError):
        vexari.tangent(lambda x: x, 1.0, method="\ud800")


def test_pair_takes_only_two_tuples():
    def slope(x, y):
        return x + y

    field = vexari.ode_direction_field(slope, (0.0, 1.0), (0, 1), 2, 2)
    assert len(field) == 4
    with pytest.raises(TypeError) as caught:
        vexari.ode_direction_field(slope, [0.0, 1.0], (0.0, 1.0), 3, 3)
    assert str(caught.value) == "argument 'x_range': 'list' object is not an instance of 'tuple'"
    for bad in [(0.0, 1.0, 2.0), (1.0,), ()]:
        with pytest.raises(ValueError) as caught:
            vexari.ode_direction_field(slope, (0.0, 1.0), bad, 3, 3)
        assert str(caught.value) == f"expected tuple of length 2, but got tuple of length {len(bad)}"
    with pytest.raises(TypeError) as caught:
        vexari.ode_direction_field(slope, (0.0, "1"), (0.0, 1.0), 3, 3)
    assert str(caught.value).startswith("argument 'x_range': ")


def test_core_messages_are_value_errors():
    with pytest.raises(ValueError) as caught:
        vexari.householder(lambda x: x, 1.0, order=4)
    assert str(caught.value) == "supported Householder orders are 2 and 3"
    assert caught.value.args == ("supported Householder orders are 2 and 3",)


def test_buffers_of_doubles_read_as_their_items():
    import array

    values = [0.5, -0.0, 1e308, float("inf"), 2.0**-1074, 3.0]
    packed = array.array("d", values)
    view = memoryview(packed)
    cases = [packed, view, view[::2], view[::-1], memoryview(packed.tobytes()).cast("d")]
    for case in cases:
        expected = [float(x) for x in case]
        assert vexari.sub(case, [0.0] * len(expected)) == expected
    assert vexari.sub(array.array("d"), []) == []


def test_other_buffers_keep_the_general_path():
    import array

    assert vexari.mean(array.array("f", [0.1, 0.2])) == (
        float(array.array("f", [0.1])[0]) + float(array.array("f", [0.2])[0])
    ) / 2
    assert vexari.mean(array.array("i", [1, 2])) == 1.5
    # Bytes are a buffer and a sequence of ints.
    assert vexari.mean(b"\x01\x03") == 2.0
    # Two dimensions: whatever iterating it raises.
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
    for case in [data, data[::3], data[::-1], data.astype(">f8"), data.astype(numpy.float32),
                 numpy.arange(5)]:
        assert vexari.sub(case, [0.0] * len(case)) == [float(x) for x in case]
    assert vexari.mat_vec(numpy.eye(2), data[:2]) == [float(data[0]), float(data[1])]
    assert vexari.variance([1.0, 3.0], sample=numpy.True_) == 2.0
