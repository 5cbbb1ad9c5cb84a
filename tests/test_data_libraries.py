"""pandas, polars, xarray and pyarrow objects answer exactly as reading their items one by one does,
and the common ones are read through their exported array, never item by item. How fast that is
belongs to bench/ (cases_data_libraries.py), where a read less than 10x faster than iterating the
same object is a gap."""

import collections
import datetime
import decimal
import sysconfig

import pytest

import vexari
from test_buffers import edge_values

numpy = pytest.importorskip("numpy")

# polars publishes abi3 wheels only, which a free-threaded interpreter cannot load.
NO_FREE_THREADED_WHEEL = {"polars"}
FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))


def library(name):
    if FREE_THREADED and name in NO_FREE_THREADED_WHEEL:
        pytest.skip(f"{name} has no free-threaded wheel")
    return __import__(name)


class ItemByItem:
    """The same object as a plain sequence: read item by item whatever it exports."""

    def __init__(self, wrapped):
        self.wrapped = wrapped

    def __len__(self):
        return len(self.wrapped)

    def __iter__(self):
        return iter(self.wrapped)

    def __getitem__(self, index):
        return self.wrapped[index]


def outcome(call):
    try:
        return "ok", repr(call())
    except Exception as error:  # whatever the call ends with, both ways
        return type(error), str(error)


# Each parameter route: one Vector read in place (a typed view, or the doubles themselves), one of two
# (widened into a copy), a converted Vector, and whole routines over the contiguous doubles.
CALLS = [
    lambda v: vexari.scale(v, 1.0),
    lambda v: vexari.sub(v, [0.5] * len(v)),
    lambda v: [line["center"] for line in vexari.tangent_lines(lambda x: 0.0, 0.0, 1.0, v)],
    vexari.summary,
    lambda v: vexari.dot(v, v),
]


def answers(values):
    return [outcome(lambda: call(values)) for call in CALLS]


generator = numpy.random.default_rng(23)
FLOATS = numpy.concatenate([generator.standard_normal(1200) * 1e3, [0.0, -0.0, numpy.inf, -numpy.inf, 1 / 3]])
WITH_NAN = numpy.concatenate([FLOATS[:700], [numpy.nan], FLOATS[700:]])
FLAGS = generator.integers(0, 2, 1300).astype(bool)


def integers(dtype):
    """Extremes, integers that a double cannot hold (ties and carries), then random ones: past the
    512 items that a widened copy is made in."""
    info = numpy.iinfo(dtype)
    code = numpy.dtype(dtype).char
    edges = [v for v in edge_values(code) if info.min <= v <= info.max]
    randoms = generator.integers(info.min, info.max, len(FLOATS), dtype=dtype, endpoint=True)
    return numpy.array(edges + list(randoms), dtype)


INTEGER_TYPES = ["int8", "int16", "int32", "int64", "uint8", "uint16", "uint32", "uint64"]
STAMPS = [datetime.datetime(2020, 1, 1), datetime.datetime(2021, 6, 1)]


def pandas_cases(pd, pa):
    class Subseries(pd.Series):
        @property
        def _constructor(self):
            return Subseries

    class OwnExport(pd.Series):  # an __array__ of its own is not pandas' word for the items
        def __array__(self, dtype=None, copy=None):
            return numpy.zeros(len(self))

    return {
        "float64": pd.Series(FLOATS), "float64 NaN": pd.Series(WITH_NAN), "float32": pd.Series(FLOATS, dtype="float32"),
        **{name: pd.Series(integers(name)) for name in INTEGER_TYPES},
        "bool": pd.Series(FLAGS), "Int64": pd.Series(integers("int64"), dtype="Int64"),
        "UInt64": pd.Series(integers("uint64"), dtype="UInt64"), "Int64 NA": pd.Series([1, None, 3], dtype="Int64"),
        "Float64 NA": pd.Series([1.5, None], dtype="Float64"), "boolean": pd.Series(FLAGS, dtype="boolean"),
        "boolean NA": pd.Series([True, None], dtype="boolean"), "object": pd.Series([1.5, 2, True], dtype=object),
        "object str": pd.Series([1.5, "2"], dtype=object), "category": pd.Series(FLOATS[:40], dtype="category"),
        "category NaN": pd.Series([1.5, None, 1.5], dtype="category"), "datetime": pd.Series(pd.to_datetime(STAMPS)),
        "timedelta": pd.Series(pd.to_timedelta([1, 2], unit="s")), "string": pd.Series(["1.5", "2"]),
        "string NA": pd.Series(["1.5", None], dtype="string"), "float16": pd.Series(FLOATS[:9], dtype="float16"),
        "complex": pd.Series(FLOATS[:9], dtype="complex128"), "arrow float NA": pd.Series([1.5, None], dtype="float64[pyarrow]"),
        "arrow int": pd.Series(integers("int64"), dtype="int64[pyarrow]"), "arrow bool": pd.Series(FLAGS, dtype="bool[pyarrow]"),
        "sparse": pd.Series(FLOATS[:40], dtype="Sparse[float]"),
        "index": pd.Series(FLOATS, index=numpy.arange(len(FLOATS))[::-1] * 3), "label index": pd.Series(FLOATS[:3], index=list("abc")),
        "every third, reversed": pd.Series(FLOATS).iloc[::-3], "view": pd.Series(FLOATS)[100:900],
        "strided int": pd.Series(integers("int64")).iloc[::2], "empty": pd.Series([], dtype=float),
        "empty object": pd.Series([], dtype=object), "subclass": Subseries(FLOATS), "own export": OwnExport(FLOATS[:5]),
        "frame column": pd.DataFrame({"a": FLOATS, "b": FLOATS[::-1]})["b"],
        # A frame is no matrix to a Vector: its items are its column labels, here numbers.
        "frame": pd.DataFrame({0: FLOATS[:3], 1: FLOATS[:3]}), "frame row": pd.DataFrame({0: FLOATS[:3], 1: FLOATS[:3]}).iloc[1],
        "Index": pd.Index(FLOATS), "RangeIndex": pd.RangeIndex(5, 900, 7),
    }


def polars_cases(pl):
    return {
        "float64": pl.Series(FLOATS), "float64 NaN": pl.Series(WITH_NAN), "null": pl.Series([1.5, None]),
        "int null": pl.Series([1, None]), "all null": pl.Series([None, None]), "float32": pl.Series(FLOATS, dtype=pl.Float32),
        **{name: pl.Series(integers(name)) for name in INTEGER_TYPES}, "bool": pl.Series(FLAGS),
        "bool null": pl.Series([True, None]), "int128": pl.Series([1, 2**100], dtype=pl.Int128),  # its export raises
        "decimal": pl.Series([decimal.Decimal("1.5")], dtype=pl.Decimal(10, 2)), "date": pl.Series([datetime.date(2020, 1, 1)]),
        "categorical": pl.Series(["a"], dtype=pl.Categorical), "array": pl.Series([[1.0, 2.0]], dtype=pl.Array(pl.Float64, 2)),
        "list": pl.Series([[1.0]]), "slice": pl.Series(FLOATS)[10:900], "gathered": pl.Series(FLOATS)[::3],
        "chunked": pl.concat([pl.Series(FLOATS[:500]), pl.Series(FLOATS[:499:-1]), pl.Series(FLOATS[:7])], rechunk=False),
        "empty": pl.Series([], dtype=pl.Float64),
    }


def xarray_cases(xr):
    return {
        "float64": xr.DataArray(FLOATS), "float64 NaN": xr.DataArray(WITH_NAN), "int64": xr.DataArray(integers("int64")),
        "uint64": xr.DataArray(integers("uint64")), "bool": xr.DataArray(FLAGS), "float32": xr.DataArray(FLOATS.astype("float32")),
        "coordinates": xr.DataArray(FLOATS, coords={"t": FLOATS[::-1]}, dims="t"),
        "every second, reversed": xr.DataArray(FLOATS).isel(dim_0=slice(None, None, -2)),
        "2-D": xr.DataArray(FLOATS[:6].reshape(3, 2)), "0-D": xr.DataArray(1.5),
        "datetime": xr.DataArray(numpy.array(STAMPS, dtype="M8[s]")), "empty": xr.DataArray(FLOATS[:0]),
    }


def pyarrow_cases(pa):
    return {
        "float64": pa.array(FLOATS), "float64 NaN": pa.array(WITH_NAN), "null": pa.array([1.5, None]),
        "int null": pa.array([1, None]), "float32": pa.array(FLOATS.astype("float32")),
        **{name: pa.array(integers(name)) for name in INTEGER_TYPES},
        "bool": pa.array(FLAGS), "dictionary": pa.array(integers("int64")[:9]).dictionary_encode(),
        "dictionary float": pa.array(FLOATS[:9]).dictionary_encode(), "slice": pa.array(FLOATS)[100:900],
        "chunked": pa.chunked_array([FLOATS[:500], FLOATS[:0], FLOATS[500:], FLOATS[:3]]),
        "chunked int": pa.chunked_array([integers("int64")[:700], integers("int64")[700:]]),
        "chunked bool": pa.chunked_array([FLAGS[:3], FLAGS[3:]]), "chunked with a null": pa.chunked_array([[1.5], [None, 2.5]]),
        "chunked, none": pa.chunked_array([], type=pa.float64()), "empty": pa.array(FLOATS[:0]),
        "float16": pa.array(FLOATS[:9].astype("float16")), "decimal": pa.array([decimal.Decimal("1.5")]),
        "timestamp": pa.array(STAMPS), "string": pa.array(["1.5"]),
    }


CASES = {"pandas": pandas_cases, "polars": polars_cases, "xarray": xarray_cases, "pyarrow": pyarrow_cases}


def build(name):
    if name == "pandas":
        return pandas_cases(library("pandas"), library("pyarrow"))
    return CASES[name](library(name))


@pytest.mark.parametrize("name", CASES)
def test_every_case_answers_as_its_items_do(name):
    differing = {case: (answers(values), answers(ItemByItem(values))) for case, values in build(name).items()}
    assert {case: pair for case, pair in differing.items() if pair[0] != pair[1]} == {}


# What pandas, polars and xarray objects have read through their export: floats (with NaN where the
# object's NaNs are values), integers and flags, whole or as slices and chunks. Item by item takes a
# Python object per item; how much the route saves over that is bench/'s to measure.
FAST = {
    "pandas": ["float64", "float64 NaN", "float32", "int64", "uint64", "bool", "Int64", "index", "every third, reversed", "subclass", "Index"],
    "polars": ["float64", "float64 NaN", "float32", "int64", "uint64", "bool", "slice", "chunked"],
    "xarray": ["float64", "float64 NaN", "float32", "int64", "uint64", "bool", "every second, reversed"],
}


def count_calls(monkeypatch, classes, names, calls):
    """Wraps each of names where the resolution order of each class defines it, counting its calls
    into calls. The wrapper is set on the defining class itself, so the class that defines __array__,
    which decides by its module whether the export is taken, stays the library's own."""
    owners = {(next(base for base in cls.__mro__ if name in vars(base)), name) for cls in classes for name in names}
    for owner, name in owners:
        def counted(self, *args, original=vars(owner)[name], name=name, **kwargs):
            calls[name] += 1
            return original(self, *args, **kwargs)
        monkeypatch.setattr(owner, name, counted)


# pyarrow is missing: its classes are extension types that cannot be patched, and neither its export
# nor its items run code that a profiler or sys.monitoring sees, so whether its arrays take the route
# shows only in bench/.
@pytest.mark.parametrize("name", FAST)
def test_common_cases_are_read_through_their_export(name, monkeypatch):
    cases = {case: values for case, values in build(name).items() if case in FAST[name]}
    calls = collections.Counter()
    count_calls(monkeypatch, {type(values) for values in cases.values()}, ("__array__", "__iter__", "__getitem__"), calls)
    read = {}
    for case, values in cases.items():
        calls.clear()
        vexari.mean(values)
        vexari.dot(values, values)
        read[case] = dict(calls)
    # One export per Vector read: mean's one and dot's two.
    assert read == {case: {"__array__": 3} for case in FAST[name]}
