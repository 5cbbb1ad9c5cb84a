/* Compiled numeric functions for the tests, one of each accepted signature
 * (and one of none). Each appends what it is called with to a log, so that a
 * test can compare the evaluation points of two routes to the same function,
 * and keeps where it was called from. After `fail_after` calls (when
 * positive) each answers `special` instead (a NaN, an infinity); `spin` makes
 * each call busy-wait that many iterations. */

#ifndef _GNU_SOURCE
#define _GNU_SOURCE /* dladdr */
#endif
#include <dlfcn.h>
#include <signal.h>
#include <math.h>
#include <stddef.h>
#include <time.h>

#define LOG_CAPACITY (1 << 22)

double log_values[LOG_CAPACITY];
size_t log_count;
long calls;
long fail_after;
double special;
long spin;
int residual_count = 2;

/* The return address of the last logged call: in the caller's machine code,
 * so in the engine's own file for a direct call, and elsewhere (a wrapper of
 * ctypes or cffi) for one through Python. Taken in each function itself, as
 * a helper inlined or not would see different frames. */
static void* caller;
#define NOTE_CALLER() (caller = __builtin_return_address(0))

/* The file of the code that made the last logged call, or "" if unknown. */
const char* caller_file(void) {
    Dl_info info;
    if (caller == NULL || dladdr(caller, &info) == 0 || info.dli_fname == NULL) return "";
    return info.dli_fname;
}

static void note(double value) {
    if (log_count < LOG_CAPACITY) log_values[log_count] = value;
    ++log_count;
}

static int answer_special(void) {
    ++calls;
    for (volatile long i = 0; i < spin; ++i) {
    }
    return fail_after > 0 && calls > fail_after;
}

void reset(void) {
    log_count = 0;
    calls = 0;
    caller = NULL;
}

double cubic(double x) {
    NOTE_CALLER();
    note(x);
    if (answer_special()) return special;
    return x * x * x - 2.0;
}

/* The same without the log, for threads calling at once. */
double plain_cubic(double x) { return x * x * x - 2.0; }

/* 1.0, with SIGUSR1 sent to this process first: as a class's __float__, it
 * leaves the signal pending with no Python code run after it that would look. */
double signal_then_one(void) {
    raise(SIGUSR1);
    return 1.0;
}

/* Declared with a float argument, a type no accepted signature has. */
double cubic_of_float(float x) { return (double)x * x * x - 2.0; }

/* Cubic in single precision, of a type no compiled shape has: it keeps the Python route. */
float single_cubic(float x) {
    NOTE_CALLER();
    note(x);
    return x * x * x - 2.0f;
}

double scaled_cubic(double x, void* data) {
    NOTE_CALLER();
    note(x);
    if (answer_special()) return special;
    return *(double*)data * (x * x * x - 2.0);
}

double decay(double t, double y) {
    NOTE_CALLER();
    note(t);
    note(y);
    if (answer_special()) return special;
    return cos(t) - 0.5 * y;
}

double scaled_decay(double t, double y, void* data) {
    NOTE_CALLER();
    note(t);
    note(y);
    if (answer_special()) return special;
    return *(double*)data * (cos(t) - 0.5 * y);
}

/* (x0 - 1)^2 + 2 (x1 + 0.5)^2 + the squares of the rest */
double bowl(int n, double* x) {
    NOTE_CALLER();
    note(n);
    for (int i = 0; i < n; ++i) note(x[i]);
    if (answer_special()) return special;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = i == 0 ? x[i] - 1.0 : i == 1 ? x[i] + 0.5 : x[i];
        sum += (i == 1 ? 2.0 : 1.0) * d * d;
    }
    x[0] = 1e300; /* the caller's copy, not its point */
    return sum;
}

double scaled_bowl(int n, double* x, void* data) {
    const double sum = bowl(n, x);
    NOTE_CALLER(); /* after bowl's own */
    return *(double*)data * sum;
}

/* residual_count residuals: r_k = x_(k mod n)^2 - (k + 2), and a negative
 * residual_count answers that count. */
int residuals(int n, double* x, int room, double* out) {
    NOTE_CALLER();
    note(n);
    for (int i = 0; i < n; ++i) note(x[i]);
    note(room);
    if (answer_special()) {
        for (int k = 0; k < room && k < residual_count; ++k) out[k] = special;
        return residual_count;
    }
    for (int k = 0; k < room && k < residual_count; ++k) out[k] = x[k % n] * x[k % n] - (k + 2);
    x[0] = 1e300;
    return residual_count;
}

int scaled_residuals(int n, double* x, int room, double* out, void* data) {
    const int count = residuals(n, x, room, out);
    NOTE_CALLER();
    for (int k = 0; k < room && k < count; ++k) out[k] *= *(double*)data;
    return count;
}

/* Sets `entered`, then waits up to five seconds for another thread to set
 * `released`, which that thread can only do while this one has let go of the
 * interpreter's lock: 1 if it was set in time, 0 if not. */
volatile int released, entered;

double wait_for_release(double x) {
    (void)x;
    entered = 1;
    struct timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    do {
        if (released) return 1.0;
        clock_gettime(CLOCK_MONOTONIC, &now);
    } while (now.tv_sec - start.tv_sec < 5);
    return 0.0;
}

/* Whether the calling thread holds the interpreter (resolved from the
 * interpreter that loaded this library): what a function declared to ctypes
 * with PYFUNCTYPE may rely on. */
extern int PyGILState_Check(void);

double holds_interpreter(double x) {
    (void)x;
    return PyGILState_Check();
}

/* x, doubled while the calling thread holds the interpreter. */
double doubled_when_held(double x) {
    return x * (1.0 + PyGILState_Check());
}

/* The floor of the benchmarks' compiled rows: a C loop calling a pointer. */
double sum_of_calls(double (*f)(double), double x, long count) {
    double sum = 0.0;
    for (long i = 0; i < count; ++i) sum += f(x);
    return sum;
}
