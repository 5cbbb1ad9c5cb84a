#include "api/register.hpp"

#include "api/interrupt_watch.hpp"

#include "build.hpp"
#include "core/signal.hpp"
#include "function.hpp"
#include "outcome.hpp"

namespace vexari::api {

namespace {

// [{"index", "value"}, ...] in increasing index order
Ref peaks_to_list(const std::vector<core::signal::Peak>& peaks) {
    return list_of(peaks, [](const core::signal::Peak& peak) {
        return dict_of(entry<"index">(peak.index), entry<"value">(peak.value));
    });
}

Ref moving_average(InPlaceVector values, std::uint64_t window) {
    const auto routine = [](const auto& v, std::uint64_t w) { return core::signal::moving_average(v, w); };
    return to_python(value_or_raise(read_in_place(with_values(routine, window), values)));
}

Ref exponential_smooth(InPlaceVector values, double alpha) {
    const auto routine = [](const auto& v, double a) { return core::signal::exponential_smooth(v, a); };
    return to_python(value_or_raise(read_in_place(with_values(routine, alpha), values)));
}

Ref convolve(Vector signal, Vector kernel) {
    ErrorSlot slot;
    return to_python(value_or_raise(slot, core::signal::convolve(signal, kernel, InterruptWatch(slot))));
}

Ref normalize(InPlaceVector values) {
    return to_python(value_or_raise(read_in_place([](const auto& v) { return core::signal::normalize(v); }, values)));
}

Ref find_peaks(InPlaceVector values, double threshold) {
    const auto routine = [](const auto& v, double t) { return core::signal::find_peaks(v, t); };
    return peaks_to_list(
        read_in_place_covering(core::signal::FindPeaksReads{}, with_values(routine, threshold), values));
}

}  // namespace

void register_signal(PyObject* module) {
    add_functions<Function<"moving_average(values, window)", moving_average>,
                  Function<"exponential_smooth(values, alpha)", exponential_smooth>,
                  Function<"convolve(signal, kernel)", convolve>,  //
                  Function<"normalize(values)", normalize>,        //
                  Function<"find_peaks(values, threshold)", find_peaks>>(module);
}

}  // namespace vexari::api
