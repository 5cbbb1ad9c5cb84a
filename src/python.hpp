#pragma once
// The one place that pulls in the interpreter's headers.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
