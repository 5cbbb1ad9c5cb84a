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
    const auto routine = [&](const auto& v) { return core::signal::moving_average(v, window); };
    return to_python(value_or_raise(read_in_place(routine, values)));
}

Ref exponential_smooth(InPlaceVector values, double alpha) {
    const auto routine = [&](const auto& v) { return core::signal::exponential_smooth(v, alpha); };
    return to_python(value_or_raise(read_in_place(routine, values)));
}

Ref convolve(Vector signal, Vector kernel) {
    ErrorSlot slot;
    return to_python(value_or_raise(slot, core::signal::convolve(signal, kernel, InterruptWatch(slot))));
}

Ref normalize(InPlaceVector values) {
    return to_python(value_or_raise(read_in_place([](const auto& v) { return core::signal::normalize(v); }, values)));
}

Ref find_peaks(InPlaceVector values, double threshold) {
    const auto routine = [&](const auto& v) { return core::signal::find_peaks(v, threshold); };
    // Fewer than three values hold no peak, and none of them is read; of
    // more, every one is.
    const auto reads_in_full = [](std::size_t, std::size_t size) { return size >= 3; };
    return peaks_to_list(read_in_place_covering(reads_in_full, routine, values));
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
