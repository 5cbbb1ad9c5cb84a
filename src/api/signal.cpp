#include "api/areas.hpp"

#include "api/interruption.hpp"

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

Ref moving_average(Vector values, std::uint64_t window) {
    return to_python(value_or_raise(core::signal::moving_average(values, window)));
}

Ref exponential_smooth(Vector values, double alpha) {
    return to_python(value_or_raise(core::signal::exponential_smooth(values, alpha)));
}

Ref convolve(Vector signal, Vector kernel) {
    ErrorSlot slot;
    return to_python(settle(slot, core::signal::convolve(signal, kernel, SignalWatch(slot))));
}

Ref normalize(Vector values) { return to_python(value_or_raise(core::signal::normalize(values))); }

Ref find_peaks(Vector values, double threshold) { return peaks_to_list(core::signal::find_peaks(values, threshold)); }

}  // namespace

void register_signal(PyObject* module) {
    add_functions<Function<"moving_average(values, window)", moving_average>,
                  Function<"exponential_smooth(values, alpha)", exponential_smooth>,
                  Function<"convolve(signal, kernel)", convolve>,  //
                  Function<"normalize(values)", normalize>,        //
                  Function<"find_peaks(values, threshold)", find_peaks>>(module);
}

}  // namespace vexari::api
