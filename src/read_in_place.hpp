#pragma once
// Read-only list arguments read where their values lie instead of being copied
// out first. A list of floats is the common argument; its items are Python
// float objects, so converting it means a pass over the list and a second over
// the copy, where the reading routine alone needs one.
//
// A list argument is left unconverted at matching time (deferred) when nothing
// after it in the call can run Python code or fail, so no caller can tell that
// its conversion moved. The routine then runs once over the items as they lie,
// under the list's critical section on a free-threaded build, and every item
// it reads is checked to be an exact float as it is read: checking in a pass
// of its own would cost as much again as the read itself. Its answer stands
// only when every item of every list was seen to be a float: read by a
// routine that succeeded and is known to read all of that list when it does
// (its coverage, declared beside it in core), or checked afterwards, still
// within the section. Otherwise the answer is dropped, the lists convert as
// any Vector argument does (each item once, in order, failures naming the
// parameter) and the routine runs again on the converted values. So no item
// that would not convert goes unseen, whatever the routine reads.
//
// The routine must therefore run no Python code: it may run twice, and a
// critical section must not be held across Python code. That is a rule of
// types here, not of comments: the routine is captureless, and whatever else
// it needs besides the lists comes as plain values through with_values, none
// of which may be of a type that can run Python code (see runs_python_code).

#include "convert.hpp"
#include "core/error.hpp"
#include "core/reads.hpp"
#include "critical_section.hpp"
#include "in_place_parameters.hpp"
#include "ref.hpp"

#include <cstddef>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

namespace vexari {

// Whether a value of this type may run Python code when used: Python objects
// and their handles, and the types that say so of themselves with a member
// `static constexpr bool runs_python_code = true` (the callback adapters, the
// error slot and the interrupt watches).
template <class T>
inline constexpr bool runs_python_code = [] {
    using Bare = std::remove_cvref_t<T>;
    if constexpr (std::is_pointer_v<Bare>) return runs_python_code<std::remove_pointer_t<Bare>>;
    else if constexpr (std::is_same_v<Bare, PyObject> || std::is_same_v<Bare, Ref> || std::is_same_v<Bare, Callable>)
        return true;
    else if constexpr (requires { Bare::runs_python_code; }) return Bare::runs_python_code;
    else return false;
}();

// A captureless routine with the plain values it takes after the lists.
template <class Routine, class... Values>
class WithValues {
public:
    using is_with_values = void;

private:
    static_assert(std::is_empty_v<Routine>, "a routine that reads lists in place captures nothing");
    static_assert((!runs_python_code<Values> && ...),
                  "a routine that reads lists in place must not be given anything that runs Python code");

public:
    constexpr WithValues(Routine, Values... values) : values_(values...) {}
    template <class... Lists>
    auto operator()(const Lists&... lists) const {
        return std::apply([&](const Values&... values) { return Routine{}(lists..., values...); }, values_);
    }

private:
    std::tuple<Values...> values_;
};

template <class Routine, class... Values>
constexpr WithValues<Routine, std::decay_t<Values>...> with_values(Routine routine, Values&&... values) {
    return {routine, std::forward<Values>(values)...};
}

namespace in_place_detail {

template <class T>
bool succeeded(const T&) noexcept {
    return true;
}
template <class T>
bool succeeded(const core::Outcome<T>& outcome) noexcept {
    return outcome.has_value();
}

template <class Routine>
constexpr auto pure(const Routine& routine) {
    if constexpr (requires { typename Routine::is_with_values; }) return routine;
    else return with_values(routine);
}

}  // namespace in_place_detail

// routine(values...) over the arguments: in place when every one of them is a
// deferred list and every item is seen to be a float, otherwise over the
// converted values, converted in parameter order (see above).
template <class Coverage, class Routine, class... Arguments>
auto read_in_place_covering(const Coverage& reads_in_full, const Routine& unchecked, Arguments&... arguments) {
    static_assert(sizeof...(Arguments) == 1 || sizeof...(Arguments) == 2, "one critical section holds at most two lists");
    static_assert(std::is_empty_v<Coverage>, "a coverage is a declaration, with no state");
    const auto routine = in_place_detail::pure(unchecked);
    if ((arguments.deferred() && ...)) {
        std::optional<decltype(routine(arguments.values()...))> answer;
        const auto read = [&] {
            bool met_other_item = false;
            auto result = routine(arguments.in_place(met_other_item)...);
            if (met_other_item) return;
            const bool read_all = in_place_detail::succeeded(result);
            std::size_t position = 0;
            const bool every_item_seen =
                (((read_all && reads_in_full(position++, arguments.list_size()...)) || arguments.holds_only_floats()) &&
                 ...);
            if (every_item_seen) answer.emplace(std::move(result));
        };
        if constexpr (sizeof...(Arguments) == 1) {
            const CriticalSection section(arguments.list()...);
            read();
        } else {
            const CriticalSection2 section(arguments.list()...);
            read();
        }
        if (answer) return std::move(*answer);
    }
    if constexpr (sizeof...(Arguments) == 1 && (std::is_same_v<Arguments, InPlaceVector> && ...)) {
        if (const DoubleBuffer* buffer = (arguments.widening(), ...)) return buffer->visit(routine);
    }
    (arguments.convert_deferred(), ...);
    return routine(arguments.values()...);
}

template <class Routine, class... Arguments>
auto read_in_place(const Routine& routine, Arguments&... arguments) {
    return read_in_place_covering(core::ReadsEverything{}, routine, arguments...);
}

}  // namespace vexari
