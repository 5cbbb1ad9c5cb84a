/* The floor: the least work each benchmarked call must do, written as plain C
 * against the Python C API. Callback workloads create the argument floats,
 * vectorcall the callable, convert its result and release everything, with
 * the same arithmetic and the same result objects as the toolkit; list
 * workloads read the items straight from the list, compute and build the
 * result. Nothing here validates more than it must: inputs are lists of exact
 * floats (anything else is refused), and a failing callback ends the call at
 * once instead of being latched. Timings of this module are the yardstick the
 * suite divides by.
 */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* ---- interned keys ----------------------------------------------------- */

enum {
    K_ROOT, K_CONVERGED, K_ITERATIONS, K_HISTORY, K_ITERATION, K_X, K_FX, K_SLOPE, K_NEXT_X,
    K_VALUE, K_ERROR, K_LEVELS, K_T, K_Y, K_X_START, K_Y_START, K_X_END, K_Y_END, K_CENTER,
    K_DX, K_DY, K_POINT, K_GRADIENT, K_COUNT, K_MEAN, K_VARIANCE, K_STD_DEV, K_MIN, K_MAX,
    K_COUNT_OF_KEYS
};
static const char *key_names[K_COUNT_OF_KEYS] = {
    "root", "converged", "iterations", "history", "iteration", "x", "fx", "slope", "next_x",
    "value", "error", "levels", "t", "y", "x_start", "y_start", "x_end", "y_end", "center",
    "dx", "dy", "point", "gradient", "count", "mean", "variance", "std_dev", "min", "max",
};
static PyObject *keys[K_COUNT_OF_KEYS];

static const double PI_2 = 1.5707963267948966;

/* ---- compiled functions -------------------------------------------------- */

/* A function pointer for the compiled floor (_floor.compiled(address)): the
 * same jobs calling machine code straight, holding the interpreter, with no
 * Python object made, no check of the signature and no look for signals. The
 * benchmark hands each job a pointer of the shape it calls. */
typedef struct {
    PyObject_HEAD
    void (*entry)(void);
} Compiled;

static PyTypeObject CompiledType = {
    PyVarObject_HEAD_INIT(NULL, 0)
    .tp_name = "_floor.Compiled",
    .tp_basicsize = sizeof(Compiled),
    .tp_flags = Py_TPFLAGS_DEFAULT,
};

typedef double (*ScalarFunction)(double);
typedef double (*Scalar2Function)(double, double);
typedef double (*VectorFunction)(int, double *);
typedef int (*ResidualFunction)(int, double *, int, double *);

static inline int is_compiled(PyObject *f) { return Py_IS_TYPE(f, &CompiledType); }

#define COMPILED_ENTRY(f, type) ((type)(((Compiled *)(f))->entry))

static PyObject *compiled(PyObject *self, PyObject *address) {
    void *entry = PyLong_AsVoidPtr(address);
    if (entry == NULL) return PyErr_Occurred() ? NULL : PyErr_Format(PyExc_ValueError, "floor: a NULL pointer");
    Compiled *made = PyObject_New(Compiled, &CompiledType);
    if (made == NULL) return NULL;
    made->entry = (void (*)(void))entry;
    return (PyObject *)made;
}

/* ---- callbacks ------------------------------------------------------------ */

static inline int read_number(PyObject *result, double *out) {
    if (result == NULL) return -1;
    if (PyFloat_CheckExact(result)) {
        *out = PyFloat_AS_DOUBLE(result);
        Py_DECREF(result);
        return 0;
    }
    double value = PyFloat_AsDouble(result);
    Py_DECREF(result);
    if (value == -1.0 && PyErr_Occurred()) return -1;
    *out = value;
    return 0;
}

static inline int call1(PyObject *f, double x, double *out) {
    if (is_compiled(f)) {
        *out = COMPILED_ENTRY(f, ScalarFunction)(x);
        return 0;
    }
    PyObject *argument = PyFloat_FromDouble(x);
    if (argument == NULL) return -1;
    PyObject *arguments[2] = {NULL, argument};
    PyObject *result = PyObject_Vectorcall(f, arguments + 1, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET, NULL);
    Py_DECREF(argument);
    return read_number(result, out);
}

static inline int call2(PyObject *f, double a, double b, double *out) {
    if (is_compiled(f)) {
        *out = COMPILED_ENTRY(f, Scalar2Function)(a, b);
        return 0;
    }
    PyObject *first = PyFloat_FromDouble(a);
    if (first == NULL) return -1;
    PyObject *second = PyFloat_FromDouble(b);
    if (second == NULL) {
        Py_DECREF(first);
        return -1;
    }
    PyObject *arguments[3] = {NULL, first, second};
    PyObject *result = PyObject_Vectorcall(f, arguments + 1, 2 | PY_VECTORCALL_ARGUMENTS_OFFSET, NULL);
    Py_DECREF(first);
    Py_DECREF(second);
    return read_number(result, out);
}

static PyObject *float_list(const double *values, Py_ssize_t n) {
    PyObject *list = PyList_New(n);
    if (list == NULL) return NULL;
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject *item = PyFloat_FromDouble(values[i]);
        if (item == NULL) {
            Py_DECREF(list);
            return NULL;
        }
        PyList_SET_ITEM(list, i, item);
    }
    return list;
}

/* f(list(values)) with values[moved] replaced by replacement (moved < 0: none). */
/* values with values[moved] replaced (moved < 0: none), in a copy the function
 * may write to: small when it fits, else fresh memory the caller frees. */
static double *moved_point(const double *values, Py_ssize_t n, Py_ssize_t moved, double replacement,
                           double *small) {
    double *point = n <= 16 ? small : malloc(sizeof(double) * (size_t)n);
    if (point == NULL) {
        PyErr_NoMemory();
        return NULL;
    }
    for (Py_ssize_t i = 0; i < n; ++i) point[i] = i == moved ? replacement : values[i];
    return point;
}

static inline int call_list(PyObject *f, const double *values, Py_ssize_t n, Py_ssize_t moved,
                            double replacement, double *out) {
    if (is_compiled(f)) {
        double small[16];
        double *point = moved_point(values, n, moved, replacement, small);
        if (point == NULL) return -1;
        *out = COMPILED_ENTRY(f, VectorFunction)((int)n, point);
        if (point != small) free(point);
        return 0;
    }
    PyObject *list = PyList_New(n);
    if (list == NULL) return -1;
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject *item = PyFloat_FromDouble(i == moved ? replacement : values[i]);
        if (item == NULL) {
            Py_DECREF(list);
            return -1;
        }
        PyList_SET_ITEM(list, i, item);
    }
    PyObject *arguments[2] = {NULL, list};
    PyObject *result = PyObject_Vectorcall(f, arguments + 1, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET, NULL);
    Py_DECREF(list);
    return read_number(result, out);
}

/* ---- result building --------------------------------------------------- */

static int set_float(PyObject *dict, int key, double value) {
    PyObject *object = PyFloat_FromDouble(value);
    if (object == NULL) return -1;
    int status = PyDict_SetItem(dict, keys[key], object);
    Py_DECREF(object);
    return status;
}

static int set_count(PyObject *dict, int key, unsigned long long value) {
    PyObject *object = PyLong_FromUnsignedLongLong(value);
    if (object == NULL) return -1;
    int status = PyDict_SetItem(dict, keys[key], object);
    Py_DECREF(object);
    return status;
}

static int set_steal(PyObject *dict, int key, PyObject *object) {
    if (object == NULL) return -1;
    int status = PyDict_SetItem(dict, keys[key], object);
    Py_DECREF(object);
    return status;
}

/* A dict of floats under the given keys. */
static PyObject *float_record(int count, const int *record_keys, const double *values) {
    PyObject *dict = PyDict_New();
    if (dict == NULL) return NULL;
    for (int i = 0; i < count; ++i) {
        if (set_float(dict, record_keys[i], values[i]) < 0) {
            Py_DECREF(dict);
            return NULL;
        }
    }
    return dict;
}

static int append_steal(PyObject *list, PyObject *item) {
    if (item == NULL) return -1;
    int status = PyList_Append(list, item);
    Py_DECREF(item);
    return status;
}

static const int step_keys[4] = {K_X, K_FX, K_SLOPE, K_NEXT_X};
static const int segment_keys[6] = {K_X_START, K_Y_START, K_X_END, K_Y_END, K_CENTER, K_SLOPE};
static const int point_keys[2] = {K_T, K_Y};
static const int sample_keys[2] = {K_X, K_Y};
static const int field_keys[4] = {K_X, K_Y, K_DX, K_DY};

static PyObject *root_step(unsigned long long k, double x, double fx, double slope, double next) {
    PyObject *dict = PyDict_New();
    if (dict == NULL) return NULL;
    const double values[4] = {x, fx, slope, next};
    if (set_count(dict, K_ITERATION, k) < 0) goto fail;
    for (int i = 0; i < 4; ++i)
        if (set_float(dict, step_keys[i], values[i]) < 0) goto fail;
    return dict;
fail:
    Py_DECREF(dict);
    return NULL;
}

static PyObject *root_result(double root, int converged, unsigned long long iterations, PyObject *history) {
    PyObject *dict = PyDict_New();
    if (dict == NULL) goto fail;
    if (set_float(dict, K_ROOT, root) < 0) goto fail;
    if (PyDict_SetItem(dict, keys[K_CONVERGED], converged ? Py_True : Py_False) < 0) goto fail;
    if (set_count(dict, K_ITERATIONS, iterations) < 0) goto fail;
    if (PyDict_SetItem(dict, keys[K_HISTORY], history) < 0) goto fail;
    Py_DECREF(history);
    return dict;
fail:
    Py_XDECREF(dict);
    Py_DECREF(history);
    return NULL;
}

/* ---- argument helpers ------------------------------------------------ */

static inline double item_value(PyObject *list, Py_ssize_t i) { return PyFloat_AS_DOUBLE(PyList_GET_ITEM(list, i)); }

/* Lists of exact floats only: the floor does not need a conversion path. */
static int check_floats(PyObject *list, const char *name) {
    if (!PyList_CheckExact(list)) {
        PyErr_Format(PyExc_TypeError, "floor: %s must be a list", name);
        return -1;
    }
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
        if (!PyFloat_CheckExact(PyList_GET_ITEM(list, i))) {
            PyErr_Format(PyExc_TypeError, "floor: %s must hold floats only", name);
            return -1;
        }
    }
    return 0;
}

static int not_float(const char *name) {
    PyErr_Format(PyExc_TypeError, "floor: %s must hold floats only", name);
    return -1;
}

static int not_list(const char *name) {
    PyErr_Format(PyExc_TypeError, "floor: %s must be a list", name);
    return -1;
}

/* Item i of a list of exact floats, checked on the way (one pass, no separate scan). */
static inline int get(PyObject *list, Py_ssize_t i, double *out, const char *name) {
    PyObject *item = PyList_GET_ITEM(list, i);
    if (!PyFloat_CheckExact(item)) return not_float(name);
    *out = PyFloat_AS_DOUBLE(item);
    return 0;
}

static double *read_floats(PyObject *list, const char *name, Py_ssize_t *n) {
    if (!PyList_CheckExact(list)) {
        not_list(name);
        return NULL;
    }
    *n = PyList_GET_SIZE(list);
    double *values = malloc(sizeof(double) * (size_t)(*n > 0 ? *n : 1));
    if (values == NULL) {
        PyErr_NoMemory();
        return NULL;
    }
    for (Py_ssize_t i = 0; i < *n; ++i) {
        if (get(list, i, &values[i], name) < 0) {
            free(values);
            return NULL;
        }
    }
    return values;
}

static int solve_raw(double *a, double *b, Py_ssize_t n, double *x);

static inline double signum(double x) { return isnan(x) ? NAN : copysign(1.0, x); }

/* ---- pure evaluation loops ----------------------------------------------- */

static PyObject *evals_scalar(PyObject *self, PyObject *args) {
    PyObject *f;
    double x;
    unsigned long long n;
    if (!PyArg_ParseTuple(args, "OdK", &f, &x, &n)) return NULL;
    double value = 0.0;
    for (unsigned long long i = 0; i < n; ++i)
        if (call1(f, x, &value) < 0) return NULL;
    return PyFloat_FromDouble(value);
}

static PyObject *evals_scalar2(PyObject *self, PyObject *args) {
    PyObject *f;
    double a, b;
    unsigned long long n;
    if (!PyArg_ParseTuple(args, "OddK", &f, &a, &b, &n)) return NULL;
    double value = 0.0;
    for (unsigned long long i = 0; i < n; ++i)
        if (call2(f, a, b, &value) < 0) return NULL;
    return PyFloat_FromDouble(value);
}

static PyObject *evals_vector(PyObject *self, PyObject *args) {
    PyObject *f, *point;
    unsigned long long n;
    if (!PyArg_ParseTuple(args, "OOK", &f, &point, &n)) return NULL;
    Py_ssize_t size;
    double *p = read_floats(point, "point", &size);
    if (p == NULL) return NULL;
    double value = 0.0;
    for (unsigned long long i = 0; i < n; ++i) {
        if (call_list(f, p, size, -1, 0.0, &value) < 0) {
            free(p);
            return NULL;
        }
    }
    free(p);
    return PyFloat_FromDouble(value);
}

/* n calls f(list(point)) whose result is read as a list of floats. */
static PyObject *evals_vector_vector(PyObject *self, PyObject *args) {
    PyObject *f, *point;
    unsigned long long n;
    if (!PyArg_ParseTuple(args, "OOK", &f, &point, &n)) return NULL;
    Py_ssize_t size;
    double *p = read_floats(point, "point", &size);
    if (p == NULL) return NULL;
    double last = 0.0;
    for (unsigned long long i = 0; i < n; ++i) {
        PyObject *list = float_list(p, size);
        if (list == NULL) goto fail;
        PyObject *arguments[2] = {NULL, list};
        PyObject *result = PyObject_Vectorcall(f, arguments + 1, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET, NULL);
        Py_DECREF(list);
        if (result == NULL) goto fail;
        PyObject *fast = PySequence_Fast(result, "floor: the callable must return a sequence");
        Py_DECREF(result);
        if (fast == NULL) goto fail;
        const Py_ssize_t m = PySequence_Fast_GET_SIZE(fast);
        for (Py_ssize_t j = 0; j < m; ++j) {
            last = PyFloat_AsDouble(PySequence_Fast_GET_ITEM(fast, j));
            if (last == -1.0 && PyErr_Occurred()) {
                Py_DECREF(fast);
                goto fail;
            }
        }
        Py_DECREF(fast);
    }
    free(p);
    return PyFloat_FromDouble(last);
fail:
    free(p);
    return NULL;
}

/* The same records the toolkit returns, filled with arithmetic only: the cost
 * of building a result, without any callback. */
static PyObject *build_records(PyObject *self, PyObject *args) {
    const char *kind;
    Py_ssize_t n;
    if (!PyArg_ParseTuple(args, "sn", &kind, &n)) return NULL;
    PyObject *list = PyList_New(n);
    if (list == NULL) return NULL;
    for (Py_ssize_t i = 0; i < n; ++i) {
        double v = (double)i * 0.5;
        double values[6] = {v, v + 1.0, v + 2.0, v + 3.0, v + 4.0, v + 5.0};
        PyObject *record;
        if (strcmp(kind, "root_step") == 0) record = root_step((unsigned long long)i, v, v, v, v);
        else if (strcmp(kind, "point") == 0) record = float_record(2, point_keys, values);
        else if (strcmp(kind, "sample") == 0) record = float_record(2, sample_keys, values);
        else if (strcmp(kind, "field") == 0) record = float_record(4, field_keys, values);
        else if (strcmp(kind, "segment") == 0) record = float_record(6, segment_keys, values);
        else {
            Py_DECREF(list);
            PyErr_Format(PyExc_ValueError, "floor: unknown record kind %s", kind);
            return NULL;
        }
        if (record == NULL) {
            Py_DECREF(list);
            return NULL;
        }
        PyList_SET_ITEM(list, i, record);
    }
    return list;
}

/* ---- root finding ------------------------------------------------------------ */

/* Newton with history; as_segments gives the animation segments instead. */
static PyObject *newton_run(PyObject *f, double x0, double tol, unsigned long long max_iter, int as_segments) {
    PyObject *history = PyList_New(0);
    if (history == NULL) return NULL;
    double x = x0, root = x0;
    unsigned long long k = 0;
    int converged = 0;
    for (;;) {
        if (k == max_iter) {
            root = x;
            break;
        }
        double gx, gp, gm;
        if (call1(f, x, &gx) < 0 || call1(f, x + 1e-6, &gp) < 0 || call1(f, x - 1e-6, &gm) < 0) goto fail;
        const double slope = (gp - gm) / 2e-6;
        if (fabs(slope) < 1e-14) {
            PyErr_SetString(PyExc_ValueError, "tangent slope is too small for Newton step");
            goto fail;
        }
        const double next = x - gx / slope;
        PyObject *record;
        if (as_segments) {
            const double values[6] = {x, gx, next, 0.0, x, slope};
            record = float_record(6, segment_keys, values);
        } else {
            record = root_step(k, x, gx, slope, next);
        }
        if (append_steal(history, record) < 0) goto fail;
        ++k;
        if (fabs(gx) <= tol || fabs(next - x) <= tol) {
            root = next;
            converged = 1;
            break;
        }
        x = next;
    }
    if (as_segments) return history;
    return root_result(root, converged, k, history);
fail:
    Py_DECREF(history);
    return NULL;
}

static PyObject *newton(PyObject *self, PyObject *args) {
    PyObject *f;
    double x0, tol = 1e-10;
    unsigned long long max_iter = 50;
    if (!PyArg_ParseTuple(args, "Od|dK", &f, &x0, &tol, &max_iter)) return NULL;
    return newton_run(f, x0, tol, max_iter, 0);
}

static PyObject *newton_animation_data(PyObject *self, PyObject *args) {
    PyObject *f;
    double x0, tol = 1e-10;
    unsigned long long max_iter = 50;
    if (!PyArg_ParseTuple(args, "Od|dK", &f, &x0, &tol, &max_iter)) return NULL;
    return newton_run(f, x0, tol, max_iter, 1);
}

static PyObject *halley(PyObject *self, PyObject *args) {
    PyObject *f;
    double x0, tol = 1e-10;
    unsigned long long max_iter = 50;
    if (!PyArg_ParseTuple(args, "Od|dK", &f, &x0, &tol, &max_iter)) return NULL;
    PyObject *history = PyList_New(0);
    if (history == NULL) return NULL;
    double x = x0, root = x0;
    unsigned long long k = 0;
    int converged = 0;
    for (;;) {
        if (k == max_iter) {
            root = x;
            break;
        }
        double f0, fp, fm, fpp, f0b, fmm;
        if (call1(f, x, &f0) < 0 || call1(f, x + 1e-6, &fp) < 0 || call1(f, x - 1e-6, &fm) < 0 ||
            call1(f, x + 1e-4, &fpp) < 0 || call1(f, x, &f0b) < 0 || call1(f, x - 1e-4, &fmm) < 0)
            goto fail;
        const double d1 = (fp - fm) / 2e-6;
        const double d2 = ((fpp - (f0b + f0b)) + fmm) / 1e-8;
        const double den = d1 * (d1 + d1) - f0 * d2;
        if (fabs(den) < 1e-14) {
            PyErr_SetString(PyExc_ValueError, "Halley denominator is too small");
            goto fail;
        }
        const double next = x - ((f0 + f0) * d1) / den;
        if (append_steal(history, root_step(k, x, f0, d1, next)) < 0) goto fail;
        ++k;
        if (fabs(f0) <= tol || fabs(next - x) <= tol) {
            root = next;
            converged = 1;
            break;
        }
        x = next;
    }
    return root_result(root, converged, k, history);
fail:
    Py_DECREF(history);
    return NULL;
}

/* ---- derivatives ------------------------------------------------------------ */

/* tangent and gradient are single-shot calls made from a Python loop, so their
 * entry is the fast-call one, as the toolkit's is. */
static PyObject *tangent(PyObject *self, PyObject *const *args, Py_ssize_t nargs) {
    if (nargs != 2) return PyErr_Format(PyExc_TypeError, "floor: tangent(function, x)");
    const double x = PyFloat_CheckExact(args[1]) ? PyFloat_AS_DOUBLE(args[1]) : PyFloat_AsDouble(args[1]);
    if (x == -1.0 && PyErr_Occurred()) return NULL;
    double a, b;
    if (call1(args[0], x + 1e-6, &a) < 0 || call1(args[0], x - 1e-6, &b) < 0) return NULL;
    return PyFloat_FromDouble((a - b) / 2e-6);
}

static int gradient_into(PyObject *f, const double *x, Py_ssize_t n, double *g) {
    for (Py_ssize_t j = 0; j < n; ++j) {
        double a, b;
        if (call_list(f, x, n, j, x[j] + 1e-6, &a) < 0) return -1;
        if (call_list(f, x, n, j, x[j] + (-1e-6), &b) < 0) return -1;
        g[j] = (a - b) / 2e-6;
    }
    return 0;
}

static PyObject *gradient(PyObject *self, PyObject *const *args, Py_ssize_t nargs) {
    if (nargs != 2) return PyErr_Format(PyExc_TypeError, "floor: gradient(function, point)");
    Py_ssize_t n;
    double *x = read_floats(args[1], "point", &n);
    if (x == NULL) return NULL;
    double *g = malloc(sizeof(double) * (size_t)(n > 0 ? n : 1));
    PyObject *result = NULL;
    if (g == NULL) PyErr_NoMemory();
    else if (gradient_into(args[0], x, n, g) == 0) result = float_list(g, n);
    free(g);
    free(x);
    return result;
}

/* ---- quadrature ------------------------------------------------------------- */

/* kind 0: the integrand itself; kind 1: f(shift + tan v) / cos^2 v. */
static PyObject *tanh_sinh_run(PyObject *f, int kind, double shift, double lo, double hi, double tol,
                               unsigned long long max_levels) {
    double value, error;
    unsigned long long levels;
    if (lo == hi) {
        value = 0.0, error = 0.0, levels = 0;
    } else if (max_levels < 3) {
        value = NAN, error = NAN, levels = max_levels;
    } else {
        const double c = (lo + hi) * 0.5, half = (hi - lo) * 0.5;
        double prev = NAN;
        for (unsigned long long k = 3;; ++k) {
            double h = 1.0;
            for (unsigned long long i = 0; i < k; ++i) h *= 0.5;
            const double nodes = ceil(6.0 / h);
            const int64_t n = nodes >= 2147483647.0 ? 2147483647 : (int64_t)nodes;
            double s = 0.0;
            for (int64_t j = -n; j <= n; ++j) {
                const double t = h * (double)j;
                const double u = sinh(t) * PI_2;
                const double x = c + half * tanh(u);
                const double cu = cosh(u);
                const double w = (cosh(t) * PI_2) / (cu * cu);
                double fx;
                if (kind == 0) {
                    if (call1(f, x, &fx) < 0) return NULL;
                    s = s + fx * w;
                } else {
                    const double tv = tan(x);
                    if (call1(f, shift + tv, &fx) < 0) return NULL;
                    const double cv = cos(x);
                    s = s + w * (fx / (cv * cv));
                }
            }
            const double estimate = (half * h) * s;
            if (isfinite(prev)) {
                const double err = fabs(estimate - prev);
                if (err <= tol) {
                    value = estimate, error = err, levels = k;
                    break;
                }
            }
            if (k == max_levels) {
                value = estimate, error = NAN, levels = max_levels;
                break;
            }
            prev = estimate;
        }
    }
    PyObject *dict = PyDict_New();
    if (dict == NULL) return NULL;
    if (set_float(dict, K_VALUE, value) < 0 || set_float(dict, K_ERROR, error) < 0 ||
        set_count(dict, K_LEVELS, levels) < 0) {
        Py_DECREF(dict);
        return NULL;
    }
    return dict;
}

static PyObject *tanh_sinh(PyObject *self, PyObject *args) {
    PyObject *f;
    double a, b, tol = 1e-10;
    unsigned long long max_levels = 12;
    if (!PyArg_ParseTuple(args, "Odd|dK", &f, &a, &b, &tol, &max_levels)) return NULL;
    return tanh_sinh_run(f, 0, 0.0, a, b, tol, max_levels);
}

static PyObject *tan_sinh(PyObject *self, PyObject *args) {
    PyObject *f;
    double a = 0.0, tol = 1e-10;
    unsigned long long max_levels = 12;
    if (!PyArg_ParseTuple(args, "O|ddK", &f, &a, &tol, &max_levels)) return NULL;
    return tanh_sinh_run(f, 1, a, 0.0, PI_2, tol, max_levels);
}

static PyObject *quad_inf(PyObject *self, PyObject *args) {
    PyObject *f;
    double tol = 1e-10;
    unsigned long long max_levels = 12;
    if (!PyArg_ParseTuple(args, "O|dK", &f, &tol, &max_levels)) return NULL;
    return tanh_sinh_run(f, 1, 0.0, -PI_2, PI_2, tol, max_levels);
}

/* ---- ODEs ------------------------------------------------------------------- */

/* Points are gathered in a growing C array and turned into dicts at the end,
 * so the list is created at its final length. */
typedef struct {
    double *data;
    Py_ssize_t count, capacity;
} Points;

static int push_point(Points *points, double t, double y) {
    if (points->count == points->capacity) {
        Py_ssize_t capacity = points->capacity ? points->capacity * 2 : 64;
        double *data = realloc(points->data, sizeof(double) * 2 * (size_t)capacity);
        if (data == NULL) {
            PyErr_NoMemory();
            return -1;
        }
        points->data = data;
        points->capacity = capacity;
    }
    points->data[2 * points->count] = t;
    points->data[2 * points->count + 1] = y;
    points->count++;
    return 0;
}

static PyObject *points_to_list(Points *points) {
    PyObject *list = PyList_New(points->count);
    if (list != NULL) {
        for (Py_ssize_t i = 0; i < points->count; ++i) {
            PyObject *record = float_record(2, point_keys, points->data + 2 * i);
            if (record == NULL) {
                Py_CLEAR(list);
                break;
            }
            PyList_SET_ITEM(list, i, record);
        }
    }
    free(points->data);
    return list;
}

/* formula: 1 euler, 2 midpoint, 4 rk4 */
static PyObject *march(PyObject *f, double y0, double t0, double t1, double step, int formula) {
    Points points = {NULL, 0, 0};
    const double span = t1 - t0;
    const double h = fmax(fabs(step), 1e-12) * signum(span);
    const double dir = signum(h);
    double t = t0, y = y0;
    if (push_point(&points, t, y) < 0) goto fail;
    while ((t1 - t) * dir > 1e-14) {
        const double H = ((t + h) - t1) * dir > 0.0 ? t1 - t : h;
        const double h2 = H * 0.5;
        double k1, k2, k3, k4, next;
        if (call2(f, t, y, &k1) < 0) goto fail;
        if (formula == 1) {
            next = y + k1 * H;
        } else if (formula == 2) {
            if (call2(f, t + h2, y + (k1 * H) * 0.5, &k2) < 0) goto fail;
            next = y + H * k2;
        } else {
            if (call2(f, t + h2, y + (H * k1) * 0.5, &k2) < 0) goto fail;
            if (call2(f, t + h2, y + (H * k2) * 0.5, &k3) < 0) goto fail;
            if (call2(f, t + H, y + H * k3, &k4) < 0) goto fail;
            next = y + (H * (((k1 + (k2 + k2)) + (k3 + k3)) + k4)) / 6.0;
        }
        t = t + H;
        y = next;
        if (push_point(&points, t, y) < 0) goto fail;
    }
    return points_to_list(&points);
fail:
    free(points.data);
    return NULL;
}

#define MARCH_ENTRY(name, formula)                                                       \
    static PyObject *name(PyObject *self, PyObject *args) {                              \
        PyObject *f;                                                                      \
        double y0, t0, t1, step;                                                          \
        if (!PyArg_ParseTuple(args, "Odddd", &f, &y0, &t0, &t1, &step)) return NULL;      \
        return march(f, y0, t0, t1, step, formula);                                       \
    }
MARCH_ENTRY(euler, 1)
MARCH_ENTRY(midpoint, 2)
MARCH_ENTRY(rk4, 4)

static PyObject *adaptive_rk4(PyObject *self, PyObject *args) {
    PyObject *f;
    double y0, t0, t1, initial_step, tol = 1e-8;
    if (!PyArg_ParseTuple(args, "Odddd|d", &f, &y0, &t0, &t1, &initial_step, &tol)) return NULL;
    Points points = {NULL, 0, 0};
    double h = fmax(fabs(initial_step), 1e-12) * signum(t1 - t0);
    double t = t0, y = y0;
    if (push_point(&points, t, y) < 0) goto fail;
    if (!((t1 - t0) * signum(h) > 1e-14)) return points_to_list(&points);
    for (;;) {
        const double H = ((t + h) - t1) * signum(h) > 0.0 ? t1 - t : h;
        double k1, k2, k3, k4, m1, m2, m3, m4, p1, p2, p3, p4;
        if (call2(f, t, y, &k1) < 0) goto fail;
        const double tm = t + H * 0.5;
        if (call2(f, tm, y + (k1 * H) * 0.5, &k2) < 0) goto fail;
        if (call2(f, tm, y + (H * k2) * 0.5, &k3) < 0) goto fail;
        if (call2(f, t + H, y + H * k3, &k4) < 0) goto fail;
        const double y_full = y + (H * (((k1 + (k2 + k2)) + (k3 + k3)) + k4)) / 6.0;
        const double H2 = H * 0.5;
        if (call2(f, t, y, &m1) < 0) goto fail;
        const double q = H2 * 0.5;
        if (call2(f, t + q, y + (H2 * m1) * 0.5, &m2) < 0) goto fail;
        if (call2(f, t + q, y + (H2 * m2) * 0.5, &m3) < 0) goto fail;
        if (call2(f, tm, y + H2 * m3, &m4) < 0) goto fail;
        const double y_mid = y + (H2 * (((m1 + (m2 + m2)) + (m3 + m3)) + m4)) / 6.0;
        if (call2(f, tm, y_mid, &p1) < 0) goto fail;
        if (call2(f, tm + q, y_mid + (H2 * p1) * 0.5, &p2) < 0) goto fail;
        if (call2(f, tm + q, y_mid + (H2 * p2) * 0.5, &p3) < 0) goto fail;
        if (call2(f, H2 + tm, y_mid + H2 * p3, &p4) < 0) goto fail;
        const double y_two = y_mid + (H2 * (((p1 + (p2 + p2)) + (p3 + p3)) + p4)) / 6.0;
        const double difference = y_two - y_full;
        const double err = fabs(difference);
        if (fabs(H) <= 1e-12 || err <= tol) {
            if (push_point(&points, t + H, y_two) < 0) goto fail;
            t = t + H;
            y = y_two;
        }
        double factor;
        if (difference == 0.0) {
            factor = 1.8;
        } else {
            factor = pow(tol / err, 0.2);
            if (factor < 0.2) factor = 0.2;
            if (factor > 2.0) factor = 2.0;
            factor = 0.9 * factor;
        }
        h = H * factor;
        if (!((t1 - t) * signum(h) > 1e-14)) return points_to_list(&points);
    }
fail:
    free(points.data);
    return NULL;
}

/* ---- optimizers --------------------------------------------------------------- */

static PyObject *optimize_step(unsigned long long k, const double *x, double v, const double *g, Py_ssize_t n) {
    PyObject *dict = PyDict_New();
    if (dict == NULL) return NULL;
    if (set_count(dict, K_ITERATION, k) < 0 || set_steal(dict, K_POINT, float_list(x, n)) < 0 ||
        set_float(dict, K_VALUE, v) < 0 || set_steal(dict, K_GRADIENT, float_list(g, n)) < 0) {
        Py_DECREF(dict);
        return NULL;
    }
    return dict;
}

static PyObject *optimize_result(const double *x, Py_ssize_t n, double v, int converged, unsigned long long k,
                                 PyObject *history) {
    PyObject *dict = PyDict_New();
    if (dict == NULL) goto fail;
    if (set_steal(dict, K_POINT, float_list(x, n)) < 0 || set_float(dict, K_VALUE, v) < 0 ||
        PyDict_SetItem(dict, keys[K_CONVERGED], converged ? Py_True : Py_False) < 0 ||
        set_count(dict, K_ITERATIONS, k) < 0 || PyDict_SetItem(dict, keys[K_HISTORY], history) < 0)
        goto fail;
    Py_DECREF(history);
    return dict;
fail:
    Py_XDECREF(dict);
    Py_DECREF(history);
    return NULL;
}

/* scalar: the objective is f(p[0]) of a one-element point. */
static int objective(PyObject *f, int scalar, const double *x, Py_ssize_t n, Py_ssize_t moved, double replacement,
                     double *out) {
    if (scalar) return call1(f, moved == 0 ? replacement : x[0], out);
    return call_list(f, x, n, moved, replacement, out);
}

static PyObject *descend(PyObject *f, int scalar, double *x, Py_ssize_t n, double step_size, double tol,
                         unsigned long long max_iter) {
    double *g = malloc(sizeof(double) * (size_t)(n > 0 ? n : 1));
    if (g == NULL) return PyErr_NoMemory();
    PyObject *history = PyList_New(0);
    if (history == NULL) {
        free(g);
        return NULL;
    }
    double v;
    unsigned long long k = 0;
    for (; k < max_iter; ++k) {
        if (objective(f, scalar, x, n, -1, 0.0, &v) < 0) goto fail;
        for (Py_ssize_t j = 0; j < n; ++j) {
            double a, b;
            if (objective(f, scalar, x, n, j, x[j] + 1e-6, &a) < 0) goto fail;
            if (objective(f, scalar, x, n, j, x[j] + (-1e-6), &b) < 0) goto fail;
            g[j] = (a - b) / 2e-6;
        }
        double sum = -0.0;
        for (Py_ssize_t j = 0; j < n; ++j) sum = sum + g[j] * g[j];
        const double length = sqrt(sum);
        if (append_steal(history, optimize_step(k, x, v, g, n)) < 0) goto fail;
        if (length <= tol) {
            free(g);
            return optimize_result(x, n, v, 1, k + 1, history);
        }
        for (Py_ssize_t j = 0; j < n; ++j) x[j] = x[j] - step_size * g[j];
    }
    if (objective(f, scalar, x, n, -1, 0.0, &v) < 0) goto fail;
    free(g);
    return optimize_result(x, n, v, 0, max_iter, history);
fail:
    free(g);
    Py_DECREF(history);
    return NULL;
}

static PyObject *gradient_descent(PyObject *self, PyObject *args) {
    PyObject *f, *start;
    double step_size = 0.01, tol = 1e-8;
    unsigned long long max_iter = 1000;
    if (!PyArg_ParseTuple(args, "OO|ddK", &f, &start, &step_size, &tol, &max_iter)) return NULL;
    Py_ssize_t n;
    double *x = read_floats(start, "start", &n);
    if (x == NULL) return NULL;
    PyObject *result = descend(f, 0, x, n, step_size, tol, max_iter);
    free(x);
    return result;
}

static PyObject *tangent_minimize(PyObject *self, PyObject *args) {
    PyObject *f;
    double start, step_size = 0.01, tol = 1e-8;
    unsigned long long max_iter = 1000;
    if (!PyArg_ParseTuple(args, "Od|ddK", &f, &start, &step_size, &tol, &max_iter)) return NULL;
    double x[1] = {start};
    return descend(f, 1, x, 1, step_size, tol, max_iter);
}

static PyObject *stationary_newton(PyObject *self, PyObject *args) {
    PyObject *f;
    double start, tol = 1e-8;
    unsigned long long max_iter = 100;
    if (!PyArg_ParseTuple(args, "Od|dK", &f, &start, &tol, &max_iter)) return NULL;
    const double h = 1e-6;
    double x = start, root = start;
    unsigned long long k = 0;
    int converged = 0;
    for (;;) {
        if (k == max_iter) {
            root = x;
            break;
        }
        const double xp = x + 1e-6, xm = x - 1e-6;
        double a, b, c, d, e, g;
        if (call1(f, x + h, &a) < 0 || call1(f, x - h, &b) < 0 || call1(f, xp + h, &c) < 0 ||
            call1(f, xp - h, &d) < 0 || call1(f, xm + h, &e) < 0 || call1(f, xm - h, &g) < 0)
            return NULL;
        const double gx = (a - b) / 2e-6, gp = (c - d) / 2e-6, gm = (e - g) / 2e-6;
        const double slope = (gp - gm) / 2e-6;
        if (fabs(slope) < 1e-14) {
            PyErr_SetString(PyExc_ValueError, "tangent slope is too small for Newton step");
            return NULL;
        }
        const double next = x - gx / slope;
        ++k;
        if (fabs(gx) <= tol || fabs(next - x) <= tol) {
            root = next;
            converged = 1;
            break;
        }
        x = next;
    }
    double value;
    if (call1(f, root, &value) < 0) return NULL;
    PyObject *history = PyList_New(0);
    if (history == NULL) return NULL;
    return optimize_result(&root, 1, value, converged, k, history);
}

/* f(list(x with x[moved] = replacement)) read as residuals into out (m of them;
 * *m < 0 on the first call: the length is taken from it). */
static int call_residuals_compiled(PyObject *f, const double *x, Py_ssize_t n, Py_ssize_t moved,
                                   double replacement, double **out, Py_ssize_t *m) {
    double small[16];
    double *point = moved_point(x, n, moved, replacement, small);
    if (point == NULL) return -1;
    int status = 0;
    if (*m < 0) {
        /* The first call sizes the residuals: room for 64, or again with as many as it has. */
        int room = 64;
        *out = malloc(sizeof(double) * (size_t)room);
        int count = *out == NULL ? -1 : COMPILED_ENTRY(f, ResidualFunction)((int)n, point, room, *out);
        if (count > room) {
            double *grown = realloc(*out, sizeof(double) * (size_t)count);
            if (grown == NULL) count = -1;
            else *out = grown;
            if (count >= 0) count = COMPILED_ENTRY(f, ResidualFunction)((int)n, point, count, *out);
        }
        if (count < 0) {
            PyErr_SetString(PyExc_ValueError, "floor: residuals failed");
            status = -1;
        } else {
            *m = count;
        }
    } else if (COMPILED_ENTRY(f, ResidualFunction)((int)n, point, (int)*m, *out) != *m) {
        PyErr_SetString(PyExc_ValueError, "floor: residual length changed");
        status = -1;
    }
    if (point != small) free(point);
    return status;
}

static int call_residuals(PyObject *f, const double *x, Py_ssize_t n, Py_ssize_t moved, double replacement,
                          double **out, Py_ssize_t *m) {
    if (is_compiled(f)) return call_residuals_compiled(f, x, n, moved, replacement, out, m);
    PyObject *list = PyList_New(n);
    if (list == NULL) return -1;
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject *item = PyFloat_FromDouble(i == moved ? replacement : x[i]);
        if (item == NULL) {
            Py_DECREF(list);
            return -1;
        }
        PyList_SET_ITEM(list, i, item);
    }
    PyObject *arguments[2] = {NULL, list};
    PyObject *result = PyObject_Vectorcall(f, arguments + 1, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET, NULL);
    Py_DECREF(list);
    if (result == NULL) return -1;
    PyObject *fast = PySequence_Fast(result, "floor: residuals must be a sequence");
    Py_DECREF(result);
    if (fast == NULL) return -1;
    const Py_ssize_t size = PySequence_Fast_GET_SIZE(fast);
    if (*m < 0) {
        *m = size;
        *out = malloc(sizeof(double) * (size_t)(size > 0 ? size : 1));
        if (*out == NULL) {
            Py_DECREF(fast);
            PyErr_NoMemory();
            return -1;
        }
    } else if (size != *m) {
        Py_DECREF(fast);
        PyErr_SetString(PyExc_ValueError, "floor: residual length changed");
        return -1;
    }
    PyObject **items = PySequence_Fast_ITEMS(fast);
    for (Py_ssize_t i = 0; i < size; ++i) {
        double v = PyFloat_CheckExact(items[i]) ? PyFloat_AS_DOUBLE(items[i]) : PyFloat_AsDouble(items[i]);
        if (v == -1.0 && PyErr_Occurred()) {
            Py_DECREF(fast);
            return -1;
        }
        (*out)[i] = v;
    }
    Py_DECREF(fast);
    return 0;
}

static double half_squares(const double *r, Py_ssize_t m) {
    double sum = -0.0;
    for (Py_ssize_t i = 0; i < m; ++i) sum = sum + r[i] * r[i];
    return sum * 0.5;
}

static PyObject *gauss_newton(PyObject *self, PyObject *args) {
    PyObject *f, *start;
    double tol = 1e-8;
    unsigned long long max_iter = 100;
    if (!PyArg_ParseTuple(args, "OO|dK", &f, &start, &tol, &max_iter)) return NULL;
    Py_ssize_t n;
    double *x = read_floats(start, "start", &n);
    if (x == NULL) return NULL;
    Py_ssize_t m = -1;
    double *r = NULL, *fp = NULL, *fm = NULL, *jac = NULL, *base = NULL;
    const size_t nn = (size_t)(n > 0 ? n : 1);
    double *a = malloc(sizeof(double) * nn * nn), *b = malloc(sizeof(double) * nn), *delta = malloc(sizeof(double) * nn);
    PyObject *history = PyList_New(0), *result = NULL;
    if (a == NULL || b == NULL || delta == NULL || history == NULL) {
        if (history != NULL) PyErr_NoMemory();
        goto done;
    }
    double v;
    unsigned long long k = 0;
    for (; k < max_iter; ++k) {
        if (call_residuals(f, x, n, -1, 0.0, &r, &m) < 0) goto done;
        v = half_squares(r, m);
        Py_ssize_t m_base = m;
        /* the Jacobian's own first evaluation: only its length is used */
        if (base == NULL) {
            Py_ssize_t unset = -1;
            if (call_residuals(f, x, n, -1, 0.0, &base, &unset) < 0) goto done;
            m_base = unset;
            fp = malloc(sizeof(double) * (size_t)(m_base > 0 ? m_base : 1));
            fm = malloc(sizeof(double) * (size_t)(m_base > 0 ? m_base : 1));
            jac = malloc(sizeof(double) * (size_t)(m_base > 0 ? m_base : 1) * nn);
            if (fp == NULL || fm == NULL || jac == NULL) {
                PyErr_NoMemory();
                goto done;
            }
        } else if (call_residuals(f, x, n, -1, 0.0, &base, &m_base) < 0) {
            goto done;
        }
        for (Py_ssize_t j = 0; j < n; ++j) {
            Py_ssize_t mp = m_base, mm = m_base;
            if (call_residuals(f, x, n, j, x[j] + 1e-6, &fp, &mp) < 0) goto done;
            if (call_residuals(f, x, n, j, x[j] + (-1e-6), &fm, &mm) < 0) goto done;
            for (Py_ssize_t i = 0; i < m_base; ++i) jac[i * n + j] = (fp[i] - fm[i]) / 2e-6;
        }
        for (Py_ssize_t i = 0; i < n * n; ++i) a[i] = 0.0;
        for (Py_ssize_t i = 0; i < n; ++i) b[i] = 0.0;
        for (Py_ssize_t i = 0; i < m_base; ++i) {
            for (Py_ssize_t p = 0; p < n; ++p) {
                b[p] = b[p] - jac[i * n + p] * r[i];
                for (Py_ssize_t c = 0; c < n; ++c) a[p * n + c] = a[p * n + c] + jac[i * n + p] * jac[i * n + c];
            }
        }
        if (solve_raw(a, b, n, delta) < 0) goto done;
        if (append_steal(history, optimize_step(k, x, v, delta, n)) < 0) goto done;
        double sum = -0.0;
        for (Py_ssize_t i = 0; i < n; ++i) sum = sum + delta[i] * delta[i];
        if (sqrt(sum) <= tol) {
            result = optimize_result(x, n, v, 1, k + 1, history);
            history = NULL;
            goto done;
        }
        for (Py_ssize_t i = 0; i < n; ++i) x[i] = delta[i] + x[i];
    }
    if (call_residuals(f, x, n, -1, 0.0, &r, &m) < 0) goto done;
    v = half_squares(r, m);
    result = optimize_result(x, n, v, 0, max_iter, history);
    history = NULL;
done:
    Py_XDECREF(history);
    free(x);
    free(r);
    free(fp);
    free(fm);
    free(jac);
    free(base);
    free(a);
    free(b);
    free(delta);
    return result;
}

/* ---- plotting data ---------------------------------------------------------- */

static PyObject *tangent_lines(PyObject *self, PyObject *args) {
    PyObject *f, *centers;
    double x_start, x_end;
    if (!PyArg_ParseTuple(args, "OddO", &f, &x_start, &x_end, &centers)) return NULL;
    if (check_floats(centers, "centers") < 0) return NULL;
    const Py_ssize_t n = PyList_GET_SIZE(centers);
    PyObject *lines = PyList_New(n);
    if (lines == NULL) return NULL;
    for (Py_ssize_t i = 0; i < n; ++i) {
        const double xc = item_value(centers, i);
        double yc, fp, fm;
        if (call1(f, xc, &yc) < 0 || call1(f, xc + 1e-6, &fp) < 0 || call1(f, xc - 1e-6, &fm) < 0) goto fail;
        const double slope = (fp - fm) / 2e-6;
        const double values[6] = {x_start, yc + slope * (x_start - xc), x_end, yc + slope * (x_end - xc), xc, slope};
        PyObject *record = float_record(6, segment_keys, values);
        if (record == NULL) goto fail;
        PyList_SET_ITEM(lines, i, record);
    }
    return lines;
fail:
    Py_DECREF(lines);
    return NULL;
}

static PyObject *ode_direction_field(PyObject *self, PyObject *args) {
    PyObject *f;
    double x0, x1, y0, y1;
    Py_ssize_t nx, ny;
    if (!PyArg_ParseTuple(args, "O(dd)(dd)nn", &f, &x0, &x1, &y0, &y1, &nx, &ny)) return NULL;
    PyObject *samples = PyList_New(nx * ny);
    if (samples == NULL) return NULL;
    Py_ssize_t index = 0;
    for (Py_ssize_t i = 0; i < nx; ++i) {
        const double x = nx == 1 ? x0 : x0 + ((x1 - x0) * (double)i) / (double)(nx - 1);
        for (Py_ssize_t j = 0; j < ny; ++j) {
            const double y = ny == 1 ? y0 : y0 + ((y1 - y0) * (double)j) / (double)(ny - 1);
            double s;
            if (call2(f, x, y, &s) < 0) goto fail;
            const double norm = sqrt(s * s + 1.0);
            const double values[4] = {x, y, 1.0 / norm, s / norm};
            PyObject *record = float_record(4, field_keys, values);
            if (record == NULL) goto fail;
            PyList_SET_ITEM(samples, index++, record);
        }
    }
    return samples;
fail:
    Py_DECREF(samples);
    return NULL;
}

static inline double grid_point(double start, double end, Py_ssize_t count, Py_ssize_t i) {
    if (count == 1) return start;
    return start + ((end - start) * (double)i) / (double)(count - 1);
}

static PyObject *sample_grid(PyObject *self, PyObject *args) {
    PyObject *f;
    double start, end;
    Py_ssize_t count;
    if (!PyArg_ParseTuple(args, "Oddn", &f, &start, &end, &count)) return NULL;
    PyObject *samples = PyList_New(count);
    if (samples == NULL) return NULL;
    for (Py_ssize_t i = 0; i < count; ++i) {
        const double x = grid_point(start, end, count, i);
        double y;
        if (call1(f, x, &y) < 0) goto fail;
        const double values[2] = {x, y};
        PyObject *record = float_record(2, sample_keys, values);
        if (record == NULL) goto fail;
        PyList_SET_ITEM(samples, i, record);
    }
    return samples;
fail:
    Py_DECREF(samples);
    return NULL;
}

/* ---- list functions ------------------------------------------------------- */

static PyObject *empty_error(const char *message) {
    PyErr_SetString(PyExc_ValueError, message);
    return NULL;
}

/* First pass over values: checks every item and sums it. */
static int checked_sum(PyObject *list, const char *name, double *sum) {
    if (!PyList_CheckExact(list)) return not_list(name);
    double s = -0.0;
    const Py_ssize_t n = PyList_GET_SIZE(list);
    for (Py_ssize_t i = 0; i < n; ++i) {
        double v;
        if (get(list, i, &v, name) < 0) return -1;
        s = s + v;
    }
    *sum = s;
    return 0;
}

static double squared_deviations(PyObject *list, double m) {
    double ss = -0.0;
    const Py_ssize_t n = PyList_GET_SIZE(list);
    for (Py_ssize_t i = 0; i < n; ++i) {
        const double d = item_value(list, i) - m;
        ss = ss + d * d;
    }
    return ss;
}

static PyObject *mean(PyObject *self, PyObject *values) {
    double sum;
    if (checked_sum(values, "values", &sum) < 0) return NULL;
    const Py_ssize_t n = PyList_GET_SIZE(values);
    if (n == 0) return empty_error("values must not be empty");
    return PyFloat_FromDouble(sum / (double)n);
}

static PyObject *variance(PyObject *self, PyObject *args) {
    PyObject *values;
    int sample = 0;
    if (!PyArg_ParseTuple(args, "O|p", &values, &sample)) return NULL;
    double sum;
    if (checked_sum(values, "values", &sum) < 0) return NULL;
    const Py_ssize_t n = PyList_GET_SIZE(values);
    if (n < sample + 1) return empty_error("not enough values for variance");
    const double m = sum / (double)n;
    return PyFloat_FromDouble(squared_deviations(values, m) / (double)(n - sample));
}

static PyObject *summary(PyObject *self, PyObject *values) {
    double sum;
    if (checked_sum(values, "values", &sum) < 0) return NULL;
    const Py_ssize_t n = PyList_GET_SIZE(values);
    if (n == 0) return empty_error("values must not be empty");
    const double m = sum / (double)n;
    /* The deviations pass also folds min and max; NaN fails both comparisons, so it is skipped. */
    double ss = -0.0, low = INFINITY, high = -INFINITY;
    for (Py_ssize_t i = 0; i < n; ++i) {
        const double v = item_value(values, i);
        const double d = v - m;
        ss = ss + d * d;
        if (v < low) low = v;
        if (v > high) high = v;
    }
    const double var = ss / (double)n;
    PyObject *dict = PyDict_New();
    if (dict == NULL) return NULL;
    if (set_count(dict, K_COUNT, (unsigned long long)n) < 0 || set_float(dict, K_MEAN, m) < 0 ||
        set_float(dict, K_VARIANCE, var) < 0 || set_float(dict, K_STD_DEV, sqrt(var)) < 0 ||
        set_float(dict, K_MIN, low) < 0 || set_float(dict, K_MAX, high) < 0) {
        Py_DECREF(dict);
        return NULL;
    }
    return dict;
}

static int two_lists(PyObject *args, PyObject **left, PyObject **right) {
    if (!PyArg_ParseTuple(args, "OO", left, right)) return -1;
    if (!PyList_CheckExact(*left)) return not_list("left");
    if (!PyList_CheckExact(*right)) return not_list("right");
    if (PyList_GET_SIZE(*left) != PyList_GET_SIZE(*right)) {
        PyErr_SetString(PyExc_ValueError, "vector lengths must match");
        return -1;
    }
    return 0;
}

static PyObject *dot(PyObject *self, PyObject *args) {
    PyObject *left, *right;
    if (two_lists(args, &left, &right) < 0) return NULL;
    double sum = -0.0;
    const Py_ssize_t n = PyList_GET_SIZE(left);
    for (Py_ssize_t i = 0; i < n; ++i) {
        double a, b;
        if (get(left, i, &a, "left") < 0 || get(right, i, &b, "right") < 0) return NULL;
        sum = sum + a * b;
    }
    return PyFloat_FromDouble(sum);
}

static PyObject *norm(PyObject *self, PyObject *vector) {
    if (!PyList_CheckExact(vector)) return not_list("vector"), NULL;
    double sum = -0.0;
    const Py_ssize_t n = PyList_GET_SIZE(vector);
    for (Py_ssize_t i = 0; i < n; ++i) {
        double v;
        if (get(vector, i, &v, "vector") < 0) return NULL;
        sum = sum + v * v;
    }
    return PyFloat_FromDouble(sqrt(sum));
}

static PyObject *elementwise(PyObject *args, int subtract) {
    PyObject *left, *right;
    if (two_lists(args, &left, &right) < 0) return NULL;
    const Py_ssize_t n = PyList_GET_SIZE(left);
    PyObject *out = PyList_New(n);
    if (out == NULL) return NULL;
    for (Py_ssize_t i = 0; i < n; ++i) {
        double a, b;
        if (get(left, i, &a, "left") < 0 || get(right, i, &b, "right") < 0) goto fail;
        PyObject *item = PyFloat_FromDouble(subtract ? a - b : a + b);
        if (item == NULL) goto fail;
        PyList_SET_ITEM(out, i, item);
    }
    return out;
fail:
    Py_DECREF(out);
    return NULL;
}

static PyObject *add(PyObject *self, PyObject *args) { return elementwise(args, 0); }
static PyObject *sub(PyObject *self, PyObject *args) { return elementwise(args, 1); }

static PyObject *scale(PyObject *self, PyObject *args) {
    PyObject *vector;
    double factor;
    if (!PyArg_ParseTuple(args, "Od", &vector, &factor)) return NULL;
    if (!PyList_CheckExact(vector)) return not_list("vector"), NULL;
    const Py_ssize_t n = PyList_GET_SIZE(vector);
    PyObject *out = PyList_New(n);
    if (out == NULL) return NULL;
    for (Py_ssize_t i = 0; i < n; ++i) {
        double v;
        if (get(vector, i, &v, "vector") < 0) goto fail;
        PyObject *item = PyFloat_FromDouble(factor * v);
        if (item == NULL) goto fail;
        PyList_SET_ITEM(out, i, item);
    }
    return out;
fail:
    Py_DECREF(out);
    return NULL;
}

static PyObject *mat_vec(PyObject *self, PyObject *args) {
    PyObject *matrix, *vector;
    if (!PyArg_ParseTuple(args, "OO", &matrix, &vector)) return NULL;
    if (!PyList_CheckExact(matrix)) return not_list("matrix"), NULL;
    Py_ssize_t n;
    double *v = read_floats(vector, "vector", &n);
    if (v == NULL) return NULL;
    const Py_ssize_t rows = PyList_GET_SIZE(matrix);
    PyObject *out = PyList_New(rows);
    if (out == NULL) goto fail;
    for (Py_ssize_t r = 0; r < rows; ++r) {
        PyObject *row = PyList_GET_ITEM(matrix, r);
        if (!PyList_CheckExact(row)) {
            not_list("row");
            goto fail;
        }
        if (PyList_GET_SIZE(row) != n) {
            PyErr_SetString(PyExc_ValueError, "vector lengths must match");
            goto fail;
        }
        double sum = -0.0;
        for (Py_ssize_t i = 0; i < n; ++i) {
            double a;
            if (get(row, i, &a, "row") < 0) goto fail;
            sum = sum + a * v[i];
        }
        PyObject *item = PyFloat_FromDouble(sum);
        if (item == NULL) goto fail;
        PyList_SET_ITEM(out, r, item);
    }
    free(v);
    return out;
fail:
    free(v);
    Py_XDECREF(out);
    return NULL;
}

/* Gaussian elimination with partial pivoting in place; x receives the solution. */
static int solve_raw(double *a, double *b, Py_ssize_t n, double *x) {
    for (Py_ssize_t k = 0; k < n; ++k) {
        Py_ssize_t p = k;
        for (Py_ssize_t i = k + 1; i < n; ++i)
            if (fabs(a[i * n + k]) > fabs(a[p * n + k])) p = i;
        if (fabs(a[p * n + k]) < 1e-14) {
            PyErr_SetString(PyExc_ValueError, "matrix is singular");
            return -1;
        }
        if (p != k) {
            for (Py_ssize_t c = 0; c < n; ++c) {
                const double swap = a[k * n + c];
                a[k * n + c] = a[p * n + c];
                a[p * n + c] = swap;
            }
            const double swap = b[k];
            b[k] = b[p];
            b[p] = swap;
        }
        for (Py_ssize_t i = k + 1; i < n; ++i) {
            const double factor = a[i * n + k] / a[k * n + k];
            for (Py_ssize_t j = k; j < n; ++j) a[i * n + j] = a[i * n + j] - factor * a[k * n + j];
            b[i] = b[i] - factor * b[k];
        }
    }
    for (Py_ssize_t i = n - 1; i >= 0; --i) {
        double s = b[i];
        for (Py_ssize_t j = i + 1; j < n; ++j) s = s - a[i * n + j] * x[j];
        x[i] = s / a[i * n + i];
    }
    return 0;
}

static PyObject *solve_arrays(double *a, double *b, Py_ssize_t n) {
    double *x = malloc(sizeof(double) * (size_t)(n > 0 ? n : 1));
    if (x == NULL) return PyErr_NoMemory();
    PyObject *result = solve_raw(a, b, n, x) == 0 ? float_list(x, n) : NULL;
    free(x);
    return result;
}

static PyObject *solve(PyObject *self, PyObject *args) {
    PyObject *matrix, *rhs;
    if (!PyArg_ParseTuple(args, "OO", &matrix, &rhs)) return NULL;
    if (!PyList_CheckExact(matrix)) return not_list("matrix"), NULL;
    Py_ssize_t n;
    double *b = read_floats(rhs, "rhs", &n);
    if (b == NULL) return NULL;
    double *a = malloc(sizeof(double) * (size_t)(n * n > 0 ? n * n : 1));
    PyObject *result = NULL;
    if (a == NULL) {
        PyErr_NoMemory();
        goto done;
    }
    if (PyList_GET_SIZE(matrix) != n) {
        PyErr_SetString(PyExc_ValueError, "matrix must be square and match rhs length");
        goto done;
    }
    for (Py_ssize_t r = 0; r < n; ++r) {
        PyObject *row = PyList_GET_ITEM(matrix, r);
        if (!PyList_CheckExact(row)) {
            not_list("row");
            goto done;
        }
        if (PyList_GET_SIZE(row) != n) {
            PyErr_SetString(PyExc_ValueError, "matrix must be square and match rhs length");
            goto done;
        }
        for (Py_ssize_t c = 0; c < n; ++c)
            if (get(row, c, &a[r * n + c], "row") < 0) goto done;
    }
    result = solve_arrays(a, b, n);
done:
    free(a);
    free(b);
    return result;
}

static PyObject *convolve(PyObject *self, PyObject *args) {
    PyObject *signal, *kernel;
    if (!PyArg_ParseTuple(args, "OO", &signal, &kernel)) return NULL;
    Py_ssize_t n, m;
    double *s = read_floats(signal, "signal", &n);
    if (s == NULL) return NULL;
    double *k = read_floats(kernel, "kernel", &m);
    if (k == NULL) {
        free(s);
        return NULL;
    }
    PyObject *result = NULL;
    if (n == 0 || m == 0) {
        PyErr_SetString(PyExc_ValueError, "signal and kernel must be nonempty");
    } else {
        double *out = calloc((size_t)(n + m - 1), sizeof(double));
        if (out == NULL) {
            PyErr_NoMemory();
        } else {
            for (Py_ssize_t i = 0; i < n; ++i)
                for (Py_ssize_t j = 0; j < m; ++j) out[i + j] = out[i + j] + s[i] * k[j];
            result = float_list(out, n + m - 1);
            free(out);
        }
    }
    free(s);
    free(k);
    return result;
}

static PyObject *moving_average(PyObject *self, PyObject *args) {
    PyObject *values;
    Py_ssize_t window;
    if (!PyArg_ParseTuple(args, "On", &values, &window)) return NULL;
    if (!PyList_CheckExact(values)) return not_list("values"), NULL;
    const Py_ssize_t n = PyList_GET_SIZE(values);
    if (n == 0 || window <= 0) return empty_error("window and values must be nonempty");
    PyObject *out = PyList_New(n);
    if (out == NULL) return NULL;
    double s = 0.0;
    for (Py_ssize_t i = 0; i < n; ++i) {
        double v;
        if (get(values, i, &v, "values") < 0) goto fail;
        s = s + v;
        if (i >= window) s = s - item_value(values, i - window); /* checked when it came in */
        const double c = (double)(i + 1 < window ? i + 1 : window);
        PyObject *item = PyFloat_FromDouble(s / c);
        if (item == NULL) goto fail;
        PyList_SET_ITEM(out, i, item);
    }
    return out;
fail:
    Py_DECREF(out);
    return NULL;
}

static PyObject *normalize(PyObject *self, PyObject *values) {
    if (!PyList_CheckExact(values)) return not_list("values"), NULL;
    const Py_ssize_t n = PyList_GET_SIZE(values);
    if (n == 0) return empty_error("values must be nonempty");
    double low = INFINITY, high = -INFINITY;
    for (Py_ssize_t i = 0; i < n; ++i) {
        double v;
        if (get(values, i, &v, "values") < 0) return NULL;
        if (v < low) low = v;
        if (v > high) high = v;
    }
    const double range = high - low;
    const int flat = fabs(range) < 2.220446049250313e-16;
    PyObject *out = PyList_New(n);
    if (out == NULL) return NULL;
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject *item = PyFloat_FromDouble(flat ? 0.0 : (item_value(values, i) - low) / range);
        if (item == NULL) {
            Py_DECREF(out);
            return NULL;
        }
        PyList_SET_ITEM(out, i, item);
    }
    return out;
}

static PyObject *polyval(PyObject *self, PyObject *args) {
    PyObject *coefficients;
    double x;
    if (!PyArg_ParseTuple(args, "Od", &coefficients, &x)) return NULL;
    if (!PyList_CheckExact(coefficients)) return not_list("coefficients"), NULL;
    double p = 0.0;
    for (Py_ssize_t i = PyList_GET_SIZE(coefficients) - 1; i >= 0; --i) {
        double c;
        if (get(coefficients, i, &c, "coefficients") < 0) return NULL;
        p = x * p + c;
    }
    return PyFloat_FromDouble(p);
}

static PyObject *linear_interpolate(PyObject *self, PyObject *args) {
    PyObject *xs, *ys;
    double query;
    if (!PyArg_ParseTuple(args, "OOd", &xs, &ys, &query)) return NULL;
    if (!PyList_CheckExact(xs)) return not_list("x"), NULL;
    if (!PyList_CheckExact(ys)) return not_list("y"), NULL;
    const Py_ssize_t n = PyList_GET_SIZE(xs);
    if (n < 2 || n != PyList_GET_SIZE(ys)) return empty_error("x and y must have matching length of at least two");
    /* The validation pass checks every x; y is read only where it is used. */
    double previous;
    if (get(xs, 0, &previous, "x") < 0) return NULL;
    for (Py_ssize_t i = 1; i < n; ++i) {
        double next;
        if (get(xs, i, &next, "x") < 0) return NULL;
        if (next <= previous) return empty_error("x values must be strictly increasing");
        previous = next;
    }
    if (query < item_value(xs, 0) || query > item_value(xs, n - 1))
        return empty_error("query is outside interpolation range");
    for (Py_ssize_t i = 1; i < n; ++i) {
        const double a = item_value(xs, i - 1), b = item_value(xs, i);
        if (a <= query && query <= b) {
            double y0, y1;
            if (get(ys, i - 1, &y0, "y") < 0 || get(ys, i, &y1, "y") < 0) return NULL;
            const double t = (query - a) / (b - a);
            return PyFloat_FromDouble((1 - t) * y0 + t * y1);
        }
    }
    double last;
    if (get(ys, n - 1, &last, "y") < 0) return NULL;
    return PyFloat_FromDouble(last);
}

static PyObject *linspace(PyObject *self, PyObject *args) {
    double start, end;
    Py_ssize_t count;
    if (!PyArg_ParseTuple(args, "ddn", &start, &end, &count)) return NULL;
    PyObject *out = PyList_New(count);
    if (out == NULL) return NULL;
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject *item = PyFloat_FromDouble(grid_point(start, end, count, i));
        if (item == NULL) {
            Py_DECREF(out);
            return NULL;
        }
        PyList_SET_ITEM(out, i, item);
    }
    return out;
}

/* Binary exponentiation from the lowest bit, as the fit computes powers. */
static inline double integer_power(double x, unsigned long long e) {
    double result = (e & 1) ? x : 1.0, base = x;
    for (e >>= 1; e != 0; e >>= 1) {
        base = base * base;
        if (e & 1) result = result * base;
    }
    return result;
}

static PyObject *polynomial_regression(PyObject *self, PyObject *args) {
    PyObject *x_list, *y_list;
    Py_ssize_t degree;
    if (!PyArg_ParseTuple(args, "OOn", &x_list, &y_list, &degree)) return NULL;
    Py_ssize_t n, ny;
    double *xs = read_floats(x_list, "x", &n);
    if (xs == NULL) return NULL;
    double *ys = read_floats(y_list, "y", &ny);
    if (ys == NULL) {
        free(xs);
        return NULL;
    }
    PyObject *result = NULL;
    double *a = NULL, *b = NULL;
    if (n != ny || n <= degree) {
        PyErr_SetString(PyExc_ValueError, "not enough data for requested polynomial degree");
        goto done;
    }
    const Py_ssize_t k = degree + 1;
    a = malloc(sizeof(double) * (size_t)(k * k));
    b = malloc(sizeof(double) * (size_t)k);
    if (a == NULL || b == NULL) {
        PyErr_NoMemory();
        goto done;
    }
    for (Py_ssize_t r = 0; r < k; ++r) {
        for (Py_ssize_t c = 0; c < k; ++c) {
            double sum = -0.0;
            for (Py_ssize_t i = 0; i < n; ++i) sum = sum + integer_power(xs[i], (unsigned long long)(r + c));
            a[r * k + c] = sum;
        }
        double sum = -0.0;
        for (Py_ssize_t i = 0; i < n; ++i) sum = sum + ys[i] * integer_power(xs[i], (unsigned long long)r);
        b[r] = sum;
    }
    result = solve_arrays(a, b, k);
done:
    free(a);
    free(b);
    free(xs);
    free(ys);
    return result;
}

/* ---- buffers ---------------------------------------------------------------- */

/* mean over a contiguous buffer of doubles: what a buffer fast path would cost. */
static PyObject *mean_buffer(PyObject *self, PyObject *object) {
    Py_buffer view;
    if (PyObject_GetBuffer(object, &view, PyBUF_FORMAT | PyBUF_C_CONTIGUOUS) < 0) return NULL;
    PyObject *result = NULL;
    if (view.itemsize != sizeof(double) || view.format == NULL || strcmp(view.format, "d") != 0) {
        PyErr_SetString(PyExc_TypeError, "floor: a buffer of doubles is needed");
    } else {
        const Py_ssize_t n = view.len / (Py_ssize_t)sizeof(double);
        if (n == 0) {
            PyErr_SetString(PyExc_ValueError, "values must not be empty");
        } else {
            const double *data = view.buf;
            double sum = -0.0;
            for (Py_ssize_t i = 0; i < n; ++i) sum = sum + data[i];
            result = PyFloat_FromDouble(sum / (double)n);
        }
    }
    PyBuffer_Release(&view);
    return result;
}

/* ---- allocation counting ---------------------------------------------------- */

/* Counts the calls into the interpreter's three allocator domains while a
 * callable runs, by hooking them: every request is forwarded to the allocator
 * that was installed before. */
typedef struct {
    PyMemAllocatorEx previous;
    unsigned long long calls;
    unsigned long long bytes;
} Hook;
static Hook hooks[3];

static void *hook_malloc(void *context, size_t size) {
    Hook *hook = context;
    hook->calls++;
    hook->bytes += size;
    return hook->previous.malloc(hook->previous.ctx, size);
}
static void *hook_calloc(void *context, size_t count, size_t size) {
    Hook *hook = context;
    hook->calls++;
    hook->bytes += count * size;
    return hook->previous.calloc(hook->previous.ctx, count, size);
}
static void *hook_realloc(void *context, void *pointer, size_t size) {
    Hook *hook = context;
    hook->calls++;
    hook->bytes += size;
    return hook->previous.realloc(hook->previous.ctx, pointer, size);
}
static void hook_free(void *context, void *pointer) {
    Hook *hook = context;
    hook->previous.free(hook->previous.ctx, pointer);
}

static PyObject *count_allocations(PyObject *self, PyObject *callable) {
    static const PyMemAllocatorDomain domains[3] = {PYMEM_DOMAIN_RAW, PYMEM_DOMAIN_MEM, PYMEM_DOMAIN_OBJ};
    for (int d = 0; d < 3; ++d) {
        hooks[d].calls = 0;
        hooks[d].bytes = 0;
        PyMem_GetAllocator(domains[d], &hooks[d].previous);
        PyMemAllocatorEx hooked = {&hooks[d], hook_malloc, hook_calloc, hook_realloc, hook_free};
        PyMem_SetAllocator(domains[d], &hooked);
    }
    PyObject *result = PyObject_CallNoArgs(callable);
    for (int d = 2; d >= 0; --d) PyMem_SetAllocator(domains[d], &hooks[d].previous);
    if (result == NULL) return NULL;
    PyObject *counts = Py_BuildValue("(NKKKKKK)", result, hooks[0].calls, hooks[0].bytes, hooks[1].calls,
                                     hooks[1].bytes, hooks[2].calls, hooks[2].bytes);
    return counts;
}

/* ---- calls with keywords ------------------------------------------------------ */

/* Takes any arguments, by position or keyword, and does nothing with them: the
 * interpreter's own share of a call to a C function, which a call with
 * keywords pays for whoever matches them (before 3.14, only calls by position
 * get the interpreter's shortcut for C functions). */
static PyObject *accept(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    Py_RETURN_NONE;
}

/* ---- module ----------------------------------------------------------------- */

static PyMethodDef methods[] = {
    {"accept", (PyCFunction)(void (*)(void))accept, METH_FASTCALL | METH_KEYWORDS, "any arguments; None"},
    {"compiled", compiled, METH_O, "a function pointer (an int) that the jobs call straight"},
    {"evals_scalar", evals_scalar, METH_VARARGS, "n calls f(x)"},
    {"evals_scalar2", evals_scalar2, METH_VARARGS, "n calls f(a, b)"},
    {"evals_vector", evals_vector, METH_VARARGS, "n calls f(list(point))"},
    {"evals_vector_vector", evals_vector_vector, METH_VARARGS, "n calls f(list(point)) -> list"},
    {"build_records", build_records, METH_VARARGS, "n result records of a kind"},
    {"newton", newton, METH_VARARGS, NULL},
    {"halley", halley, METH_VARARGS, NULL},
    {"newton_animation_data", newton_animation_data, METH_VARARGS, NULL},
    {"tangent", (PyCFunction)(void (*)(void))tangent, METH_FASTCALL, NULL},
    {"gradient", (PyCFunction)(void (*)(void))gradient, METH_FASTCALL, NULL},
    {"tanh_sinh", tanh_sinh, METH_VARARGS, NULL},
    {"tan_sinh", tan_sinh, METH_VARARGS, NULL},
    {"quad_inf", quad_inf, METH_VARARGS, NULL},
    {"euler", euler, METH_VARARGS, NULL},
    {"midpoint", midpoint, METH_VARARGS, NULL},
    {"rk4", rk4, METH_VARARGS, NULL},
    {"adaptive_rk4", adaptive_rk4, METH_VARARGS, NULL},
    {"gradient_descent", gradient_descent, METH_VARARGS, NULL},
    {"tangent_minimize", tangent_minimize, METH_VARARGS, NULL},
    {"stationary_newton", stationary_newton, METH_VARARGS, NULL},
    {"gauss_newton", gauss_newton, METH_VARARGS, NULL},
    {"tangent_lines", tangent_lines, METH_VARARGS, NULL},
    {"ode_direction_field", ode_direction_field, METH_VARARGS, NULL},
    {"sample_grid", sample_grid, METH_VARARGS, NULL},
    {"mean", mean, METH_O, NULL},
    {"variance", variance, METH_VARARGS, NULL},
    {"summary", summary, METH_O, NULL},
    {"dot", dot, METH_VARARGS, NULL},
    {"norm", norm, METH_O, NULL},
    {"add", add, METH_VARARGS, NULL},
    {"sub", sub, METH_VARARGS, NULL},
    {"scale", scale, METH_VARARGS, NULL},
    {"mat_vec", mat_vec, METH_VARARGS, NULL},
    {"solve", solve, METH_VARARGS, NULL},
    {"convolve", convolve, METH_VARARGS, NULL},
    {"moving_average", moving_average, METH_VARARGS, NULL},
    {"normalize", normalize, METH_O, NULL},
    {"polyval", polyval, METH_VARARGS, NULL},
    {"linear_interpolate", linear_interpolate, METH_VARARGS, NULL},
    {"linspace", linspace, METH_VARARGS, NULL},
    {"polynomial_regression", polynomial_regression, METH_VARARGS, NULL},
    {"mean_buffer", mean_buffer, METH_O, NULL},
    {"count_allocations", count_allocations, METH_O,
     "callable() under counting allocator hooks: (result, raw calls, raw bytes, mem calls, mem bytes, obj calls, obj bytes)"},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef definition = {PyModuleDef_HEAD_INIT, "_floor", "The benchmark floor.", -1, methods};

PyMODINIT_FUNC PyInit__floor(void) {
    for (int i = 0; i < K_COUNT_OF_KEYS; ++i) {
        if (keys[i] == NULL) {
            keys[i] = PyUnicode_InternFromString(key_names[i]);
            if (keys[i] == NULL) return NULL;
        }
    }
    if (PyType_Ready(&CompiledType) < 0) return NULL;
    return PyModule_Create(&definition);
}
