#pragma once
// The array route for Vectors: a pandas, polars, xarray or pyarrow object is
// no buffer, and reading it item by item makes a Python object per item, so
// it is read through the numpy.ndarray its __array__ exports instead, when
// that array is sure to hold what its items convert to.
//
// Which exporters are asked: those whose __array__ is the library's own (a
// subclass may add to a Series, but one that redefines __array__ is read item
// by item). Other classes with an __array__ can export other values than they
// iterate to (a masked array exports the values under its mask), so they keep
// the item path, as buffers of other types than the standard ones do.
//
// When the export is read: exactly a numpy.ndarray, one-dimensional, of a
// standard numeric format (see double_buffer.hpp), with exactly len(object)
// items, and no NaN among them unless the object says its NaNs are values
// (a NumPy dtype, or a null count of 0): these libraries export a missing
// value as NaN while the missing value itself does not convert, and that
// failure must stay what the call ends with. Asking costs an attribute or two;
// scanning for NaN costs a pass over the values, as much as a whole mean. An Arrow array's items are
// Arrow scalars, of which only the numeric ones convert (a boolean or a
// dictionary-encoded one raises), so there its first item must convert to the
// exported first value, bit for bit; its items are all of one type.
//
// Otherwise the object is read item by item as before, also when asking for
// the export raised an Exception: the export never turns a working call into
// an error. A BaseException that is no Exception (KeyboardInterrupt,
// SystemExit) propagates: it is the user's Ctrl-C or exit, not a refusal.

#include "double_buffer.hpp"

namespace vexari {

// The held buffer of object's exported array when it is read so; an empty
// hold otherwise. Called where the object would otherwise be iterated, after
// the sequence checks, so the calls it makes come in the same place.
DoubleBuffer exported_buffer(PyObject* object);

}  // namespace vexari
