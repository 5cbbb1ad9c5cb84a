/* Compiled functions for the benchmarks' compiled rows, and the floor they
 * are held to: a C loop calling the same pointer as many times. */

double ident(double x) { return x; }

double ident2(double t, double y) { return y; }

double first(int n, double *v) { return v[0]; }

int identity(int n, double *v, int room, double *out) {
    for (int i = 0; i < n && i < room; ++i) out[i] = v[i];
    return n;
}

double loop_scalar(double (*f)(double), double x, long count) {
    double sum = 0.0;
    for (long i = 0; i < count; ++i) sum += f(x);
    return sum;
}

double loop_scalar2(double (*f)(double, double), double t, double y, long count) {
    double sum = 0.0;
    for (long i = 0; i < count; ++i) sum += f(t, y);
    return sum;
}

double loop_vector(double (*f)(int, double *), int n, double *v, long count) {
    double sum = 0.0;
    for (long i = 0; i < count; ++i) sum += f(n, v);
    return sum;
}

double square(double x) { return x * x; }
