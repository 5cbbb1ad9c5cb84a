#include "api/register.hpp"

#include "api/interrupt_watch.hpp"

#include "build.hpp"
#include "core/regression.hpp"
#include "core/stats.hpp"
#include "function.hpp"
#include "outcome.hpp"

namespace vexari::api {

namespace {

// {"count", "mean", "variance", "std_dev", "min", "max"}
Ref summary_to_dict(const core::stats::Summary& s) {
    return dict_of(entry<"count">(s.count), entry<"mean">(s.mean), entry<"variance">(s.variance),
                   entry<"std_dev">(s.std_dev), entry<"min">(s.min), entry<"max">(s.max));
}

// {"slope", "intercept", "r2"}
Ref linear_fit_to_dict(const core::stats::LinearFit& fit) {
    return dict_of(entry<"slope">(fit.slope), entry<"intercept">(fit.intercept), entry<"r2">(fit.r2));
}

Ref mean(InPlaceVector values) {
    return to_python(value_or_raise(read_in_place([](const auto& v) { return core::stats::mean(v); }, values)));
}

Ref variance(InPlaceVector values, bool sample) {
    const auto routine = [](const auto& v, bool s) { return core::stats::variance(v, s); };
    return to_python(value_or_raise(read_in_place(with_values(routine, sample), values)));
}

Ref summary(InPlaceVector values) {
    return summary_to_dict(value_or_raise(read_in_place([](const auto& v) { return core::stats::summary(v); }, values)));
}

Ref covariance(InPlaceVector left, InPlaceVector right, bool sample) {
    const auto routine = [](const auto& l, const auto& r, bool s) { return core::stats::covariance(l, r, s); };
    return to_python(value_or_raise(read_in_place(with_values(routine, sample), left, right)));
}

Ref correlation(InPlaceVector left, InPlaceVector right) {
    const auto routine = [](const auto& l, const auto& r) { return core::stats::correlation(l, r); };
    return to_python(value_or_raise(read_in_place(routine, left, right)));
}

Ref linear_regression(InPlaceVector x, InPlaceVector y) {
    const auto routine = [](const auto& xs, const auto& ys) { return core::stats::linear_regression(xs, ys); };
    return linear_fit_to_dict(value_or_raise(read_in_place(routine, x, y)));
}

Ref polynomial_regression(Vector x, Vector y, std::uint64_t degree) {
    ErrorSlot slot;
    return to_python(value_or_raise(slot, core::stats::polynomial_regression(x, y, degree, InterruptWatch(slot))));
}

}  // namespace

void register_stats(PyObject* module) {
    add_functions<Function<"mean(values)", mean>,                                //
                  Function<"variance(values, sample=False)", variance>,          //
                  Function<"summary(values)", summary>,                          //
                  Function<"covariance(left, right, sample=False)", covariance>,  //
                  Function<"correlation(left, right)", correlation>,             //
                  Function<"linear_regression(x, y)", linear_regression>,        //
                  Function<"polynomial_regression(x, y, degree)", polynomial_regression>>(module);
}

}  // namespace vexari::api
