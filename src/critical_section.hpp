#pragma once
// Holds an object's critical section for a scope, on every exit path. The
// default build has the GIL and needs nothing; the free-threaded build locks.

#include "python.hpp"

namespace vexari {

class CriticalSection {
public:
#ifdef Py_GIL_DISABLED
    explicit CriticalSection(PyObject* object) noexcept { PyCriticalSection_Begin(&section_, object); }
    ~CriticalSection() { PyCriticalSection_End(&section_); }
#else
    explicit CriticalSection(PyObject*) noexcept {}
#endif
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

private:
#ifdef Py_GIL_DISABLED
    PyCriticalSection section_;
#endif
};

// Both objects' sections at once (one, if they are the same object); nested
// single sections could be suspended while the inner one waits.
class CriticalSection2 {
public:
#ifdef Py_GIL_DISABLED
    CriticalSection2(PyObject* first, PyObject* second) noexcept { PyCriticalSection2_Begin(&section_, first, second); }
    ~CriticalSection2() { PyCriticalSection2_End(&section_); }
#else
    CriticalSection2(PyObject*, PyObject*) noexcept {}
#endif
    CriticalSection2(const CriticalSection2&) = delete;
    CriticalSection2& operator=(const CriticalSection2&) = delete;

private:
#ifdef Py_GIL_DISABLED
    PyCriticalSection2 section_;
#endif
};

}  // namespace vexari
