"""Numeric buffers of every standard format read as the list of their items reads."""

import array
import ctypes
import math
import struct
import sys
import warnings

import pytest
from hypothesis import given, settings, strategies as st

import vexari
from conftest import LIST_READERS

numpy = pytest.importorskip("numpy")

INTEGER_CODES = "bBhHiIlLqQnN"
# The struct markers of this machine's byte order and of the other one.
NATIVE_ORDER, FOREIGN_ORDER = ("<", ">") if sys.byteorder == "little" else (">", "<")


def bits(values):
    return [struct.pack("<d", v) for v in values]


def routes(values):
    """The values as each parameter route delivers them: a read-only Vector alone (read in
    place), one of two (widened into a copy), and a converted Vector."""
    alone = vexari.scale(values, 1.0)
    paired = vexari.sub(values, [0.0] * len(values))
    converted = [line["center"] for line in vexari.tangent_lines(lambda x: 0.0, 0.0, 1.0, values)]
    return bits(alone), bits(paired), bits(converted)


def assert_reads_as_items(buffer):
    items = list(buffer)
    read = routes(buffer)
    assert read == routes(items)
    assert read[2] == bits(float(x) for x in items)


def integer_range(code):
    size = struct.calcsize(code)
    if code.isupper():
        return 0, 2 ** (8 * size) - 1
    return -(2 ** (8 * size - 1)), 2 ** (8 * size - 1) - 1


def edge_values(code):
    """Extremes, zeros and integers that a double cannot hold, for rounding ties and carries."""
    if code == "?":
        return [False, True, True, False]
    if code in "efd":
        return [0.0, -0.0, 1.5, -2.0**-24, 65504.0, math.inf, -math.inf, 2.0**-14, 1 / 3]
    low, high = integer_range(code)
    near = [2**53 + 1, 2**53 + 3, 2**54 + 2, 2**63 - 1, 2**64 - 1, 2**62 + 2**9, 2**63 - 2**9 - 1, 2**63 - 2**9]
    return sorted({low, high, 0, 1, low + 1, high - 1} | {v for v in near + [-v for v in near] if low <= v <= high})


def packed(code, values):
    return memoryview(struct.pack(f"{len(values)}{code}", *values)).cast("B").cast(code)


@pytest.mark.parametrize("code", list(INTEGER_CODES) + ["?", "e", "f", "d"])
def test_every_format_in_every_shape(code):
    values = edge_values(code)
    view = packed(code, values)
    size = view.itemsize
    # Misaligned: the same bytes one past an aligned start.
    shifted = bytearray(1) + view.tobytes()
    misaligned = memoryview(shifted)[1:].cast(code)
    for case in [view, view[::2], view[::-1], view[1::3], view[:0], misaligned, misaligned[::-2]]:
        assert_reads_as_items(case)
    if code in array.typecodes:
        assert_reads_as_items(array.array(code, values))
    assert len(misaligned) * size == len(view.tobytes())


@pytest.mark.parametrize("item", [ctypes.c_int8, ctypes.c_uint16, ctypes.c_int, ctypes.c_long, ctypes.c_bool,
                                  ctypes.c_float, ctypes.c_double])
def test_explicit_native_byte_order_reads_directly(item):
    # ctypes marks its formats with the machine's byte order ("<i" or ">i"); a memoryview cannot
    # iterate those, so only the direct read can answer.
    items = (item * 9)(*edge_values(item._type_)[:9])
    view = memoryview(items)
    assert view.format.startswith(NATIVE_ORDER)
    assert routes(view) == routes([float(x) for x in items])


def test_nonzero_bool_bytes_read_true():
    assert routes(memoryview(bytes([0, 1, 2, 255])).cast("?"))[0] == bits([0.0, 1.0, 1.0, 1.0])


integer_formats = st.sampled_from(INTEGER_CODES).flatmap(
    lambda code: st.tuples(st.just(code), st.lists(st.integers(*integer_range(code)), max_size=40)))
float_formats = st.sampled_from("fe").flatmap(
    lambda code: st.tuples(st.just(code), st.lists(st.floats(width=32 if code == "f" else 16), max_size=40)))


@settings(max_examples=150, deadline=None)
@given(integer_formats | float_formats, st.integers(1, 3))
def test_any_items_any_stride(case, step):
    code, values = case
    assert_reads_as_items(packed(code, values)[::step])


NUMPY_DTYPES = ["?", "i1", "u1", "i2", "u2", "i4", "u4", "i8", "u8", "f2", "f4", "f8"]


@pytest.mark.parametrize("dtype", NUMPY_DTYPES)
def test_numpy_arrays_of_every_numeric_dtype(dtype):
    generator = numpy.random.default_rng(5)
    raw = generator.integers(0, 256, size=8 * 97 + 1, dtype=numpy.uint8)
    if dtype == "?":
        raw = raw % 3  # bytes other than 0 and 1 read as True, as numpy reads them
    data = numpy.frombuffer(raw[:-1].tobytes(), dtype=dtype)
    misaligned = numpy.frombuffer(raw.tobytes(), dtype=numpy.uint8)[1:].view(dtype)
    for case in [data, data[::-3], data[:0], misaligned, numpy.broadcast_to(data[:1], (5,))]:
        assert_reads_as_items(case)


@pytest.mark.parametrize("make", [
    lambda: numpy.arange(6, dtype=FOREIGN_ORDER + "i4"),
    lambda: (numpy.arange(6) / 3).astype(FOREIGN_ORDER + "f8"),
    lambda: numpy.frombuffer(bytes.fromhex("007e007d01fd017c003c"), dtype=numpy.float16),  # NaN payloads
    lambda: numpy.arange(6, dtype=numpy.complex128),
    lambda: numpy.arange(6, dtype=numpy.longdouble) / 3,
    lambda: numpy.arange(6.0).reshape(6, 1),
    lambda: numpy.arange(6.0).reshape(2, 3),
    lambda: numpy.array([1, "a"], dtype=object),
    lambda: memoryview(b"abc").cast("c"),
])
def test_other_buffers_take_the_item_path(make):
    def outcome(values):
        try:
            return "ok", routes(values)
        except Exception as error:  # whatever the call ends with, both ways
            return type(error), None
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        assert outcome(make()) == outcome(list(make()))


def test_results_agree_with_the_float64_copy():
    data = numpy.random.default_rng(3).integers(-(2**62), 2**62, size=1000)
    widened = data.astype(numpy.float64)
    for function in (vexari.mean, vexari.summary, vexari.normalize, lambda v: vexari.dot(v, v[::-1])):
        assert function(data) == function(widened)


def outcome(call):
    try:
        return "ok", repr(call())
    except Exception as error:
        return type(error), str(error)


@settings(max_examples=150, deadline=None)
@given(st.sampled_from(sorted(LIST_READERS)), integer_formats | float_formats, st.integers(0, 4), st.booleans())
def test_every_reader_answers_for_a_buffer_as_for_its_items(name, case, other_length, buffer_second):
    """Buffers take the typed in-place view (one vector) or the widened copy (two), so every reader
    must end as it does on the list of the same items, also where it fails or returns early
    (empty, one item, mismatched lengths, fewer than three values for peaks)."""
    code, values = case
    reader, buffer = LIST_READERS[name], packed(code, values[:5])
    other = [float(i) + 0.5 for i in range(other_length)]
    if buffer_second:
        assert outcome(lambda: reader(other, buffer)) == outcome(lambda: reader(other, list(buffer)))
    else:
        assert outcome(lambda: reader(buffer, other)) == outcome(lambda: reader(list(buffer), other))


class BufferUnlikeItems:
    """A sequence whose buffer holds other numbers than its items: only the items count."""

    def __init__(self):
        self.hidden = array.array("d", [100.0, 200.0])

    def __buffer__(self, flags):
        return memoryview(self.hidden)

    def __len__(self):
        return 2

    def __getitem__(self, index):
        if index >= 2:
            raise IndexError
        return float(index + 1)


def test_a_buffer_read_directly_only_where_iteration_reads_the_same_items():
    for reader in (vexari.mean, vexari.summary, lambda v: vexari.dot(v, [1.0, 1.0])):
        assert reader(BufferUnlikeItems()) == reader([1.0, 2.0])
