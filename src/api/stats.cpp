#include "api/areas.hpp"

#include "api/interruption.hpp"

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

Ref mean(Vector values) { return to_python(value_or_raise(core::stats::mean(values))); }

Ref variance(Vector values, bool sample) { return to_python(value_or_raise(core::stats::variance(values, sample))); }

Ref summary(Vector values) { return summary_to_dict(value_or_raise(core::stats::summary(values))); }

Ref covariance(Vector left, Vector right, bool sample) {
    return to_python(value_or_raise(core::stats::covariance(left, right, sample)));
}

Ref correlation(Vector left, Vector right) {
    return to_python(value_or_raise(core::stats::correlation(left, right)));
}

Ref linear_regression(Vector x, Vector y) {
    return linear_fit_to_dict(value_or_raise(core::stats::linear_regression(x, y)));
}

Ref polynomial_regression(Vector x, Vector y, std::uint64_t degree) {
    ErrorSlot slot;
    return to_python(settle(slot, core::stats::polynomial_regression(x, y, degree, SignalWatch(slot))));
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
