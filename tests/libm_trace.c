/* Records the C library's math calls made by the process it is preloaded
 * into, while recording is switched on: each of the functions below that the
 * C standard leaves free to round as it likes passes its arguments and result
 * to a buffer that tests/test_bits.py reads through ctypes. Functions with
 * one correctly rounded answer (sqrt, fabs, fmod, ldexp, ceil, copysign) are
 * the same everywhere and are not traced. A compiler may join sin and cos of
 * one argument into one sincos call: it is recorded as the sin and the cos it
 * answers, so that the trace does not depend on the compiler. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stddef.h>

typedef struct { int function; double x, y, result; } traced_call;

enum { capacity = 1 << 20 };
static traced_call calls[capacity];
size_t libm_trace_count = 0;
int libm_trace_on = 0;
const char *const libm_trace_names[] = {"sin", "cos", "tan", "atan", "sinh", "cosh", "tanh", "pow", 0};

const traced_call *libm_trace_calls(void) { return calls; }

static void record(int function, double x, double y, double result) {
    if (libm_trace_on && libm_trace_count < capacity) {
        calls[libm_trace_count++] = (traced_call){function, x, y, result};
    }
}

#define UNARY(index, name)                                                   \
    double name(double x) {                                                  \
        static double (*real)(double);                                       \
        if (!real) real = (double (*)(double))dlsym(RTLD_NEXT, #name);       \
        double result = real(x);                                             \
        record(index, x, 0.0, result);                                       \
        return result;                                                       \
    }

UNARY(0, sin)
UNARY(1, cos)
UNARY(2, tan)
UNARY(3, atan)
UNARY(4, sinh)
UNARY(5, cosh)
UNARY(6, tanh)

void sincos(double x, double *sine, double *cosine) {
    static void (*real)(double, double *, double *);
    if (!real) real = (void (*)(double, double *, double *))dlsym(RTLD_NEXT, "sincos");
    real(x, sine, cosine);
    record(0, x, 0.0, *sine);
    record(1, x, 0.0, *cosine);
}

double pow(double x, double y) {
    static double (*real)(double, double);
    if (!real) real = (double (*)(double, double))dlsym(RTLD_NEXT, "pow");
    double result = real(x, y);
    record(7, x, y, result);
    return result;
}
