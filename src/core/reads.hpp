#pragma once
// What a routine over lists reads in full whenever it succeeds, given each
// list's position among its arguments and the sizes of all of them. A caller
// that reads lists of unchecked items may rely on it: every item a routine
// reads in full was seen by it. Most routines read every item; one that may
// succeed without doing so declares its own coverage beside it.

#include <cstddef>

namespace vexari::core {

struct ReadsEverything {
    template <class... Sizes>
    constexpr bool operator()(std::size_t, Sizes...) const noexcept {
        return true;
    }
};

}  // namespace vexari::core
