// The routines over sampled data: statistics, fits, linear algebra with the
// solver, signals, interpolation and polynomials. Each call must answer with
// a value of the documented size or a returned error, as its preconditions
// decide; the solver's three forms must agree to the bit.

#include "fuzz_input.hpp"

#include "core/interpolate.hpp"
#include "core/linalg.hpp"
#include "core/polynomial.hpp"
#include "core/regression.hpp"
#include "core/signal.hpp"
#include "core/stats.hpp"

#include <span>

using namespace vexari::core;
using fuzz::Input;
using fuzz::same_bits;

namespace {

// A view that is not contiguous doubles, so the routines take their copying paths.
struct Reversed {
    const Vector& values;
    std::size_t size() const { return values.size(); }
    double operator[](std::size_t i) const { return values[values.size() - 1 - i]; }
};

void statistics(Input& in) {
    const Vector a = in.vector(24);
    Vector b = in.vector(24);
    if (in.byte() % 2) b.resize(a.size(), in.real());
    const bool sample = in.byte() % 2;

    FUZZ_CHECK(stats::mean(a).has_value() == !a.empty());
    FUZZ_CHECK(stats::variance(a, sample).has_value() == (a.size() >= (sample ? 2u : 1u)));
    FUZZ_CHECK(stats::covariance(a, b, sample).has_value() ==
               (!a.empty() && a.size() == b.size() && a.size() >= (sample ? 2u : 1u)));
    if (stats::correlation(a, b)) FUZZ_CHECK(!a.empty() && a.size() == b.size());
    const auto summary = stats::summary(a);
    FUZZ_CHECK(summary.has_value() == !a.empty());
    if (summary) {
        // One pass of three folds, each bit for bit the routine of its own.
        FUZZ_CHECK(summary->count == a.size());
        FUZZ_CHECK(same_bits(summary->mean, *stats::mean(a)));
        FUZZ_CHECK(same_bits(summary->variance, *stats::variance(a, false)));
        FUZZ_CHECK(same_bits(summary->min, stats::minimum(a)));
        FUZZ_CHECK(same_bits(summary->max, stats::maximum(a)));
    }

    const auto line = stats::linear_regression(a, b);
    if (line) FUZZ_CHECK(a.size() >= 2 && a.size() == b.size());
    const std::uint64_t degree = in.count(6);
    const auto fit = stats::polynomial_regression(a, b, degree, fuzz::Watch{in.count(40)});
    if (a.size() != b.size() || a.size() <= degree)
        FUZZ_CHECK(!fit && fit.error().message == "not enough data for requested polynomial degree");
    if (fit) FUZZ_CHECK(fit->empty() || fit->size() == degree + 1);  // empty: the watch stopped it
}

void linear_algebra(Input& in) {
    const Vector a = in.vector(16);
    Vector b = in.vector(16);
    if (in.byte() % 2) b.resize(a.size(), in.real());
    const bool match = a.size() == b.size();
    const auto sum = linalg::add(a, b);
    const auto difference = linalg::sub(a, b);
    FUZZ_CHECK(sum.has_value() == match && difference.has_value() == match && linalg::dot(a, b).has_value() == match);
    if (match) FUZZ_CHECK(sum->size() == a.size() && difference->size() == a.size());
    FUZZ_CHECK(linalg::scale(a, in.real()).size() == a.size());
    (void)linalg::norm(a);

    const Matrix m = in.matrix(8, 8);
    const auto product = linalg::mat_vec(m, a);
    bool rows_fit = true;
    for (const Vector& row : m) rows_fit = rows_fit && row.size() == a.size();
    FUZZ_CHECK(product.has_value() == rows_fit);
    if (product) {
        FUZZ_CHECK(product->size() == m.size());
        FUZZ_CHECK(same_bits(*product, *linalg::mat_vec(m, std::span<const double>(a))));
    }
    const auto reversed = linalg::mat_vec(m, Reversed{a});
    FUZZ_CHECK(reversed.has_value() == rows_fit);

    // The solver: by copies, by rows in one block, and asked to stop midway.
    Vector rhs = in.vector(8);
    if (in.byte() % 4 != 0) rhs.resize(m.size(), in.real());
    const auto x = linalg::solve(m, rhs);
    bool square = m.size() == rhs.size();
    for (const Vector& row : m) square = square && row.size() == rhs.size();
    if (!square) FUZZ_CHECK(!x && x.error().message == linalg::not_square);
    if (x) FUZZ_CHECK(x->size() == rhs.size());
    if (!x) FUZZ_CHECK(x.error().message == linalg::not_square || x.error().message == linalg::singular);

    linalg::SquareSystem system;
    const auto assigned = system.assign(m, rhs);
    FUZZ_CHECK(assigned.has_value() == square);
    if (assigned) {
        const auto block = system.solve(Unwatched{});
        FUZZ_CHECK(block.has_value() == x.has_value());
        if (block) FUZZ_CHECK(same_bits(*block, *x));
        else FUZZ_CHECK(block.error().message == x.error().message);
    }

    const std::uint64_t stop_at = in.count(9);
    const auto stopped = linalg::solve(Matrix(m), Vector(rhs), fuzz::Watch{stop_at});
    if (stopped) FUZZ_CHECK(x && same_bits(*stopped, *x));
    else if (stopped.error().message != linalg::stopped.message)
        FUZZ_CHECK(!x && stopped.error().message == x.error().message);
    if (x && stop_at >= 1 && stop_at <= rhs.size()) FUZZ_CHECK(!stopped);
}

void signals(Input& in) {
    const Vector v = in.vector(32);
    const Vector kernel = in.vector(8);
    const auto convolved = signal::convolve(v, kernel, fuzz::Watch{0});
    FUZZ_CHECK(convolved.has_value() == (!v.empty() && !kernel.empty()));
    if (convolved) FUZZ_CHECK(convolved->size() == v.size() + kernel.size() - 1);
    // Now and then one long enough for its watch to be asked, which may stop
    // it (rarely, as it is slow): the output keeps its size.
    if (in.byte() % 16 == 15 && !kernel.empty()) {  // never for the zeros past the end
        const Vector wide(2 * signal::watch_interval / kernel.size() + 1, 1.0);
        const auto stopped = signal::convolve(wide, kernel, fuzz::Watch{in.count(2)});
        FUZZ_CHECK(stopped && stopped->size() == wide.size() + kernel.size() - 1);
    }

    const auto scaled = signal::normalize(v);
    FUZZ_CHECK(scaled.has_value() == !v.empty());
    if (scaled) {
        FUZZ_CHECK(scaled->size() == v.size());
        bool finite = true;
        for (const double value : v) finite = finite && std::isfinite(value);
        if (finite && std::isfinite(stats::maximum(v) - stats::minimum(v)))
            for (const double s : *scaled) FUZZ_CHECK(0.0 <= s && s <= 1.0);
    }

    const double threshold = in.real();
    std::uint64_t previous = 0;
    for (const signal::Peak& peak : signal::find_peaks(v, threshold)) {
        FUZZ_CHECK(peak.index >= 1 && peak.index + 1 < v.size() && peak.index > previous);
        FUZZ_CHECK(same_bits(peak.value, v[peak.index]) && peak.value >= threshold);
        FUZZ_CHECK(peak.value > v[peak.index - 1] && peak.value > v[peak.index + 1]);
        previous = peak.index;
    }

    const std::uint64_t window = in.byte() % 16 == 0 ? std::numeric_limits<std::uint64_t>::max() - in.count(3)
                                                     : in.count(40);
    const auto averaged = signal::moving_average(v, window);
    FUZZ_CHECK(averaged.has_value() == (!v.empty() && window != 0));
    if (averaged) FUZZ_CHECK(averaged->size() == v.size());
    const auto reversed = signal::moving_average(Reversed{v}, window);
    FUZZ_CHECK(reversed.has_value() == averaged.has_value());

    const double alpha = in.real();
    const auto smooth = signal::exponential_smooth(v, alpha);
    FUZZ_CHECK(smooth.has_value() == (!v.empty() && 0.0 <= alpha && alpha <= 1.0));
    if (smooth) FUZZ_CHECK(smooth->size() == v.size() && same_bits(smooth->front(), v.front()));
}

void interpolation(Input& in) {
    const double start = in.real();
    const double end = in.real();
    const std::uint64_t n = in.count(40);
    const interpolate::Grid grid(start, end, n);
    std::uint64_t calls = 0;
    const auto samples = *interpolate::sample_grid([&](double x) { return x * x + static_cast<double>(++calls); },
                                                  start, end, n);
    FUZZ_CHECK(samples.size() == n && calls == n);
    for (std::uint64_t i = 0; i < n; ++i) FUZZ_CHECK(same_bits(samples[i].x, grid[i]));
    if (n == 1) FUZZ_CHECK(same_bits(samples[0].x, start));

    const Vector y = in.vector(16);
    const double spacing = in.real();
    const auto differences = interpolate::finite_difference(y, spacing);
    FUZZ_CHECK(differences.has_value() == (y.size() >= 2 && spacing != 0.0));
    if (differences) FUZZ_CHECK(differences->size() == y.size());

    // Abscissae in order most of the time, so the interpolants get past their checks.
    Vector x = in.byte() % 4 == 0 ? in.vector(16) : in.increasing(y.size(), in.real());
    if (in.byte() % 8 == 0) x.resize(y.size() + 1, 1e300);
    const bool valid = interpolate::validate_xy(x, y).has_value();
    const double query = in.real();
    const auto linear = interpolate::linear_interpolate(x, y, query);
    // A NaN query passes the range test and answers NaN.
    if (linear) FUZZ_CHECK(valid && (std::isnan(query) || (x.front() <= query && query <= x.back())));
    if (valid && x.front() <= query && query <= x.back()) FUZZ_CHECK(linear.has_value());
    const auto lagrange = interpolate::lagrange_interpolate(x, y, query, fuzz::Watch{in.count(20)});
    FUZZ_CHECK(lagrange.has_value() == valid);
}

void polynomials(Input& in) {
    const Vector p = in.vector(12);
    const Vector q = in.vector(12);
    FUZZ_CHECK(polynomial::sum(p, q).size() == std::max(p.size(), q.size()));
    FUZZ_CHECK(polynomial::multiply(p, q).size() == (p.empty() || q.empty() ? 0 : p.size() + q.size() - 1));
    FUZZ_CHECK(polynomial::derivative(p).size() == (p.size() <= 1 ? 0 : p.size() - 1));
    const double constant = in.real();
    const Vector integral = polynomial::integral(p, constant);
    FUZZ_CHECK(integral.size() == p.size() + 1 && same_bits(integral[0], constant));
    const double x = in.real();
    FUZZ_CHECK(same_bits(polynomial::Polynomial(p)(x), polynomial::evaluate(p, x)));
    FUZZ_CHECK(same_bits(polynomial::evaluate(p, x), polynomial::evaluate(std::span<const double>(p), x)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    switch (in.byte() % 5) {
        case 0: statistics(in); break;
        case 1: linear_algebra(in); break;
        case 2: signals(in); break;
        case 3: interpolation(in); break;
        default: polynomials(in); break;
    }
    return 0;
}
