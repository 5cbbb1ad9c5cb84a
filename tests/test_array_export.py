"""The rules of reading an object through the array it exports: whose export is taken, when it is
read, what happens when it fails, and in which order the calls come. Exporters here take a data
library's name as their module, as the library's own classes carry it."""

import time

import pytest

import vexari
from test_concurrent_mutation import outcome as mutation_outcome, race
from test_data_libraries import ItemByItem, answers, library, outcome

numpy = pytest.importorskip("numpy")

ITEMS = [1.5, -2.0, 4.25]
LYING = numpy.array([10.0, 20.0, 30.0])  # exported values unlike the items: whichever is read shows


def exporter(export, module="pandas.core.series", items=ITEMS, length=None, log=None, **attributes):
    """An object of a class from `module` (or of none) iterating to `items`, whose __array__ returns `export`, or
    raises it when it is an exception."""
    def record(name):
        if log is not None:
            log.append(name)

    def array(self):
        record("__array__")
        if isinstance(export, BaseException):
            raise export
        return export

    def size(self):
        record("__len__")
        if isinstance(length, BaseException):
            raise length
        return len(items) if length is None else length

    namespace = {"__array__": array, "__len__": size,
                 "__iter__": lambda self: iter(items), "__getitem__": lambda self, i: items[i], **attributes}
    if module is None:  # made where globals have no __name__: the class has no __module__
        return eval("type('Series', (), namespace)", {"namespace": namespace})()
    return type("Series", (), {"__module__": module, **namespace})()


def test_the_export_of_a_data_library_is_read():
    assert vexari.mean(exporter(LYING)) == 20.0
    assert vexari.mean(exporter(LYING, module="polars.series.series")) == 20.0


@pytest.mark.parametrize("export, module, length", [
    (LYING, "mylib", None),  # another library's export is not taken at its word
    (LYING, None, None),
    (LYING, "pandasx", None),
    (LYING, "pyarrow.lib", None),  # an Arrow array's first item must convert to the first value
    (LYING, "pandas", 4),  # not len(object) items
    (LYING, "pandas", ValueError("no length")),
    (ValueError("refused"), "pandas", None),
    (MemoryError(), "pandas", None),
    (list(LYING), "pandas", None),  # not an array
    (numpy.ma.array(LYING), "pandas", None),  # a subclass
    (LYING.reshape(3, 1), "pandas", None),
    (LYING.reshape(1, 3), "pandas", None),
    (LYING.astype(object), "pandas", None),
    (LYING.astype("float16"), "pandas", None),
    (LYING.astype("complex128"), "pandas", None),
    (numpy.array([10.0, numpy.nan, 30.0]), "pandas", None),  # a missing value, maybe
    (numpy.array([10.0, 20.0, numpy.nan], dtype="float32"), "pandas", None),
    (numpy.array(["2020-01-01"] * 3, dtype="M8[D]"), "pandas", None),
])
def test_any_other_export_leaves_the_items_to_answer(export, module, length):
    case = exporter(export, module, length=length)
    assert answers(case) == answers(ItemByItem(case))


@pytest.mark.parametrize("module", ["arrowlike", "zarr"])
def test_only_arrow_vouches_for_its_export_by_its_first_item(module):
    # The first item converts to the first exported value, the others differ: only an Arrow array is
    # taken at that word, so another library's object is read item by item.
    case = exporter(LYING, module, items=[10.0, -2.0, 4.25])
    assert answers(case) == answers(ItemByItem(case))


@pytest.mark.parametrize("module, export, items", [
    # An Arrow array's items are of one type, which its first item shows.
    ("pyarrow.lib", LYING, ["x", 20.0, 30.0]),
    ("pyarrow.lib", LYING, [None, 20.0, 30.0]),
    ("pandas", numpy.array([10.0, numpy.nan, 30.0]), [10.0, "x", 30.0]),
    ("polars", numpy.array([numpy.nan]), [None]),
])
def test_items_that_fail_keep_failing_where_the_export_is_not_read(module, export, items):
    case = exporter(export, module, items)
    assert answers(case) == answers(ItemByItem(case))
    assert outcome(lambda: vexari.mean(case))[0] is TypeError


@pytest.mark.parametrize("position", range(11))
def test_a_nan_anywhere_leaves_the_items_to_answer(position):
    # Every place within the blocks of four that the scan for NaN takes at once, and after the last.
    export = numpy.arange(11.0)
    export[position] = numpy.nan
    items = [*export[:position], None, *export[position + 1:]]
    assert outcome(lambda: vexari.mean(exporter(export, items=items)))[0] is TypeError


def raising(error):
    def get(self):
        raise error
    return property(get)


WITH_NAN = numpy.array([10.0, numpy.nan, 30.0])
NUMPY_LIKE = type("numpy.dtype", (), {})  # a Python class with NumPy's dtype name is not NumPy's


@pytest.mark.parametrize("attributes, read", [
    ({"dtype": numpy.dtype("float64")}, True),  # NumPy has no missing value: a NaN is a value
    ({"dtype": numpy.dtype("float32")}, True),
    ({"null_count": 0}, True),  # Arrow's way of saying it
    ({"null_count": lambda self: 0}, True),  # polars'
    ({"null_count": 1}, False),
    ({"null_count": lambda self: 2}, False),
    ({"null_count": 0.0}, False),
    ({"dtype": "float64"}, False),
    ({"dtype": NUMPY_LIKE()}, False),
    ({"dtype": raising(ValueError("no dtype"))}, False),
    ({"null_count": raising(ValueError("no count"))}, False),
    ({"null_count": lambda self: 1 / 0}, False),
])
def test_a_nan_is_read_as_a_value_where_the_object_says_so(attributes, read):
    case = exporter(WITH_NAN, items=[10.0, None, 30.0], **attributes)
    assert outcome(lambda: vexari.mean(case)) == (("ok", "nan") if read else outcome(lambda: vexari.mean(ItemByItem(case))))


def test_ctrl_c_while_asking_about_nan_ends_the_call():
    with pytest.raises(KeyboardInterrupt):
        vexari.mean(exporter(WITH_NAN, dtype=raising(KeyboardInterrupt())))


class Items:
    """Iterates to nothing, or raises on its first item."""

    def __init__(self, error=None):
        self.error = error

    def __iter__(self):
        if self.error:
            raise self.error
        return iter(())


@pytest.mark.parametrize("items", [Items(), Items(ValueError("no items")), Items(KeyboardInterrupt())])
def test_an_arrow_object_that_iterates_otherwise_than_it_says_answers_as_its_items(items):
    case = exporter(LYING, "pyarrow.lib", items, length=3)
    if isinstance(items.error, KeyboardInterrupt):
        with pytest.raises(KeyboardInterrupt):
            vexari.mean(case)
    else:
        assert answers(case) == answers(ItemByItem(case))


def test_an_arrow_export_whose_first_item_converts_to_its_value_is_read():
    assert vexari.mean(exporter(numpy.array([1.5, 7.0, 8.0]), "pyarrow.lib")) == 5.5


@pytest.mark.parametrize("stop", [KeyboardInterrupt(), SystemExit(3)])
def test_ctrl_c_and_exit_in_the_export_end_the_call(stop):
    # Not a refusal of the export but the user's interrupt: it ends the call as anywhere else.
    with pytest.raises(type(stop)):
        vexari.mean(exporter(stop))
    with pytest.raises(type(stop)):
        vexari.mean(exporter(LYING, length=stop))


class Number:
    def __init__(self, log):
        self.log = log

    def __float__(self):
        self.log.append("__float__")
        return 2.0


def test_the_export_comes_in_parameter_order():
    log = []
    assert vexari.scale(exporter(LYING, log=log), Number(log)) == [20.0, 40.0, 60.0]
    assert log == ["__array__", "__len__", "__float__"]
    log.clear()
    with pytest.raises(TypeError, match="argument 'left'"):
        vexari.dot([1.0, "x", 3.0], exporter(LYING, log=log))
    assert log == []  # an earlier argument's failure comes before any call of the export
    assert vexari.dot(ITEMS, exporter(LYING, log=log)) == 15.0 - 40.0 + 127.5
    assert log == ["__array__", "__len__"]


def test_a_refused_export_is_asked_once_then_the_items_are_read():
    log = []
    assert vexari.mean(exporter(ValueError("no"), log=log)) == vexari.mean(ITEMS)
    assert log == ["__array__", "__len__"]  # the second __len__ is the item path's


def test_the_array_exported_is_held_while_another_thread_changes_the_object():
    """An xarray object whose values another thread keeps replacing: each call reads one state whole,
    as it would a buffer, since the exported array is held and not the object."""
    xr = library("xarray")
    states = [numpy.full(4096, float(i)) for i in range(4)]
    data = xr.DataArray(states[0].copy())

    def walk():
        for state in states:
            data.values = state
            time.sleep(0)  # with the GIL, let a reader meet each state

    seen, unexpected = race({"summary": vexari.summary}, (data,), walk, rounds=300)
    assert unexpected == []
    assert seen["summary"] <= {mutation_outcome(vexari.summary, state) for state in states}
    assert len(seen["summary"]) > 1


def test_a_class_whose_bases_another_thread_swaps():
    """Another thread keeps swapping the base of the object's class between an exporting one and a plain
    one, which replaces the class's resolution order and drops the old one: each call reads the export or
    the items, as the class stood at one moment."""
    class Exporting:
        __module__ = "pandas.core.series"

        def __array__(self):
            return LYING

    class Plain:
        pass

    class Series(Exporting):
        __len__ = lambda self: len(ITEMS)
        __getitem__ = lambda self, i: ITEMS[i]

    def walk():
        for base in (Plain, Exporting):
            Series.__bases__ = (base,)
            time.sleep(0)

    seen, unexpected = race({"mean": vexari.mean}, (Series(),), walk, rounds=20000)
    assert unexpected == []
    assert seen["mean"] == {("ok", repr(vexari.mean(LYING))), ("ok", repr(vexari.mean(ITEMS)))}


def test_the_resolution_order_is_read_without_running_a_metaclass():
    log = []

    class Meta(type):
        @property
        def __mro__(cls):
            log.append("__mro__")
            return type.__dict__["__mro__"].__get__(cls)

    namespace = {"__module__": "pandas.core.series", "__array__": lambda self: LYING,
                 "__len__": lambda self: len(ITEMS), "__getitem__": lambda self, i: ITEMS[i]}
    assert vexari.mean(Meta("Series", (), namespace)()) == 20.0
    assert log == []
