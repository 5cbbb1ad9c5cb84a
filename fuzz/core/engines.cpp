// The engines, each driven by a plain C++ function drawn from the bytes:
// root finding, derivatives, quadrature, the ODE solvers, the optimizers and
// the plotting data. Results must have the documented shapes, counts must
// stay within their budgets, and failures must come back as errors.

#include "fuzz_input.hpp"

#include "core/derivative.hpp"
#include "core/integrate.hpp"
#include "core/ode.hpp"
#include "core/optimize.hpp"
#include "core/root.hpp"
#include "core/visualize.hpp"

using namespace vexari::core;
using fuzz::Input;
using fuzz::same_bits;

namespace {

// A function of one variable (or of the sum of a vector's entries, or of t
// and y), of a kind chosen by the bytes. A failing one reports failure from
// its n-th call on and then answers NaN, as the engines expect of such.
struct Plain {
    int kind;
    double a, b, c;
    std::uint64_t fail_at;
    std::uint64_t calls = 0;

    static Plain draw(Input& in) {
        const int kind = in.byte() % 7;
        const double a = in.real(), b = in.real(), c = in.real();
        return {kind, a, b, c, kind == 6 ? in.count(40) + 1 : 0};
    }
    double at(double x) {
        ++calls;
        if (failed()) return NAN;
        switch (kind) {
            case 0: return (a * x + b) * x + c;
            case 1: return std::sin(a * x) + b;
            case 2: return std::exp(a * x) - b;
            case 3: return 1.0 / (x - a);
            case 4: return std::sqrt(x - a) - b;
            case 5: return c;
            default: return x * x - a;
        }
    }
    double operator()(double x) { return at(x); }
    double operator()(double t, double y) { return at(t) + b * y; }
    bool failed() const { return fail_at != 0 && calls >= fail_at; }
};

// The sum of the function over a vector's entries.
struct OfVector {
    Plain& f;
    double operator()(const Vector& v) {
        double total = 0.0;
        for (const double x : v) total = total + f(x);
        return total;
    }
    bool failed() const { return f.failed(); }
};

// Residuals: the function at each entry, with a length that may change at one call.
struct Residuals {
    Plain& f;
    std::uint64_t change_at;
    std::size_t changed_length;
    std::uint64_t calls = 0;
    Vector operator()(const Vector& v) {
        Vector r(++calls == change_at ? changed_length : v.size() + 1);
        for (std::size_t i = 0; i < r.size(); ++i) r[i] = f(i < v.size() ? v[i] : 1.0);
        return r;
    }
};

void roots(Input& in) {
    Plain f = Plain::draw(in);
    const std::uint64_t max_iter = in.count(60);
    const std::uint64_t order = in.count(4);
    const double x0 = in.real(), tol = in.real();
    const auto run = root::householder(f, x0, order, tol, max_iter);
    if (order != 2 && order != 3) FUZZ_CHECK(!run && f.calls == 0);
    if (run) {
        FUZZ_CHECK(run->iterations <= max_iter && run->history.size() == run->iterations);
        if (run->converged) FUZZ_CHECK(same_bits(run->root, run->history.back().next_x));
        for (std::size_t k = 0; k < run->history.size(); ++k) FUZZ_CHECK(run->history[k].iteration == k);
        FUZZ_CHECK(visualize::newton_segments(run->history).size() == run->history.size());
    }
}

void derivatives(Input& in) {
    Plain f = Plain::draw(in);
    (void)derivative::central_slope(f, in.real());
    const Vector point = in.vector(6);
    Vector gradient, moved;
    OfVector g{f};
    derivative::gradient_into(g, point, gradient, moved);
    FUZZ_CHECK(gradient.size() == point.size() && same_bits(moved, point));

    Residuals r{f, in.count(8), static_cast<std::size_t>(in.count(8))};
    const auto j = derivative::jacobian(r, point);
    // The value at the point itself sets the row count; a later change of length is an error.
    if (j) {
        FUZZ_CHECK(j->size() == (r.change_at == 1 ? r.changed_length : point.size() + 1));
        for (const Vector& row : *j) FUZZ_CHECK(row.size() == point.size());
    } else {
        FUZZ_CHECK(j.error().kind == ErrorKind::callback_shape && r.change_at >= 1 && r.change_at <= 1 + 2 * point.size());
    }
}

void quadrature(Input& in) {
    Plain f = Plain::draw(in);
    const double lo = in.real(), hi = in.real(), tol = in.real();
    const std::uint64_t levels = in.count(9);
    const double lower = std::fmin(lo, hi), upper = std::fmax(lo, hi);
    // Every node lies in the interval, its ends included.
    auto inside = [&](double x) {
        if (!std::isnan(x) && !std::isnan(lo) && !std::isnan(hi)) FUZZ_CHECK(lower <= x && x <= upper);
        return f(x);
    };
    const QuadResult q = *integrate::tanh_sinh(inside, lo, hi, tol, levels);
    FUZZ_CHECK(q.levels <= std::max<std::uint64_t>(levels, 3) || lo == hi);
    (void)integrate::tan_sinh(f, lo, tol, levels);
    (void)integrate::quad_inf(f, tol, levels);
}

void odes(Input& in) {
    Plain f = Plain::draw(in);
    const double y0 = in.real(), t0 = in.real(), t1 = in.real(), step = in.real(), tol = in.real();
    const std::size_t max_points = 1 + in.count(4096);
    Outcome<OdePoints> points;
    switch (in.byte() % 4) {
        case 0: points = ode::march<ode::EulerStep>(f, y0, t0, t1, step, max_points); break;
        case 1: points = ode::march<ode::MidpointStep>(f, y0, t0, t1, step, max_points); break;
        case 2: points = ode::march<ode::Rk4Step>(f, y0, t0, t1, step, max_points); break;
        default: points = ode::adaptive_rk4(f, y0, t0, t1, step, tol, max_points); break;
    }
    if (points) {
        FUZZ_CHECK(!points->empty() && points->size() <= max_points);
        FUZZ_CHECK(same_bits(points->front().t, t0) && same_bits(points->front().y, y0));
    } else {
        FUZZ_CHECK(points.error().kind == ErrorKind::no_memory || points.error().kind == ErrorKind::invalid_data);
    }
}

void optimizers(Input& in) {
    Plain f = Plain::draw(in);
    const Vector start = in.vector(4);
    const std::uint64_t max_iter = in.count(30);
    const double step = in.real(), tol = in.real();
    OfVector g{f};
    const OptimizeResult descent = *optimize::gradient_descent(g, start, step, tol, max_iter);
    FUZZ_CHECK(descent.point.size() == start.size() && descent.iterations <= max_iter);
    FUZZ_CHECK(descent.history.size() == descent.iterations);
    for (std::size_t i = 0; i < descent.history.size(); ++i)
        FUZZ_CHECK(descent.history.point(i).size() == start.size() && descent.history.direction(i).size() == start.size());

    Residuals r{f, in.count(12), static_cast<std::size_t>(in.count(6))};
    const auto fit = optimize::gauss_newton(r, start, tol, max_iter, fuzz::Watch{in.count(30)});
    if (fit) FUZZ_CHECK(fit->point.size() == start.size() && fit->history.size() == fit->iterations);

    const auto stationary = optimize::stationary_newton(f, in.real(), tol, max_iter);
    if (stationary) FUZZ_CHECK(stationary->point.size() == 1 && stationary->iterations <= max_iter);
}

void plotting(Input& in) {
    Plain f = Plain::draw(in);
    const Vector centers = in.vector(8);
    FUZZ_CHECK(visualize::tangent_lines(f, in.real(), in.real(), centers)->size() == centers.size() || f.failed());
    const double x0 = in.real(), x1 = in.real(), y0 = in.real(), y1 = in.real();
    const std::uint64_t nx = in.count(12), ny = in.count(12);
    const auto field = *visualize::direction_field(f, x0, x1, y0, y1, nx, ny);
    FUZZ_CHECK(field.size() == nx * ny || f.failed());
    for (const FieldSample& s : field) FUZZ_CHECK(!(s.dx < 0.0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    switch (in.byte() % 6) {
        case 0: roots(in); break;
        case 1: derivatives(in); break;
        case 2: quadrature(in); break;
        case 3: odes(in); break;
        case 4: optimizers(in); break;
        default: plotting(in); break;
    }
    return 0;
}
