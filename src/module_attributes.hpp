#pragma once
// The add operation: every public name goes into __all__ and onto the module.

#include "python.hpp"

namespace vexari {

// Appends name to the module's __all__ (creating the list on first use), then
// sets the attribute. Throws PythonError on failure.
void add_public(PyObject* module, PyObject* name, PyObject* value);

// Adds a function of the module by its method entry, under the entry's name.
void add_function(PyObject* module, PyMethodDef& method);

}  // namespace vexari
