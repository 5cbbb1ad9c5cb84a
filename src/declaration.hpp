#pragma once
// A function's Python signature, written once as text, e.g.
//   "newton(function, x0, tol=1e-10, max_iter=50)"
// and taken apart at compile time: the name, the parameter names, which are
// required, and the default texts. The matcher, the doc string's signature
// block and the registration entry all come from this one declaration.

#include "fixed_string.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vexari {

namespace declaration_detail {

// Reaching one of these in a constant expression stops the build with a message.
[[noreturn]] void bad_declaration(const char*);

constexpr bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

constexpr std::string_view trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// string_view::find is not usable in constant expressions under some
// sanitizer builds, so the parser does its own search.
constexpr std::size_t find(std::string_view text, char wanted) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == wanted) return i;
    return std::string_view::npos;
}

constexpr std::string_view parameter_list(std::string_view text) {
    const auto open = find(text, '(');
    if (open == std::string_view::npos || text.back() != ')') bad_declaration("expected NAME(PARAMS)");
    return text.substr(open + 1, text.size() - open - 2);
}

constexpr std::size_t count_parameters(std::string_view text) {
    const auto list = trim(parameter_list(text));
    if (list.empty()) return 0;
    std::size_t count = 1;
    for (char c : list) count += c == ',' ? 1 : 0;
    return count;
}

}  // namespace declaration_detail

template <std::size_t N>
struct Declaration {
    std::string_view name;
    std::array<std::string_view, N> parameters{};
    std::array<std::string_view, N> defaults{};  // empty for a required parameter
    std::size_t required = 0;
};

template <FixedString Text>
constexpr auto parse_declaration() {
    using namespace declaration_detail;
    constexpr std::string_view text = Text.view();
    constexpr std::size_t count = count_parameters(text);
    Declaration<count> result;
    result.name = text.substr(0, find(text, '('));
    for (char c : result.name)
        if (!is_name_char(c)) bad_declaration("function name");

    std::string_view rest = parameter_list(text);
    for (std::size_t i = 0; i < count; ++i) {
        const auto comma = find(rest, ',');
        std::string_view item = trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        const auto equals = find(item, '=');
        result.parameters[i] = trim(item.substr(0, equals));
        if (result.parameters[i].empty()) bad_declaration("empty parameter name");
        for (char c : result.parameters[i])
            if (!is_name_char(c)) bad_declaration("parameter name");
        if (equals == std::string_view::npos) {
            if (i != result.required) bad_declaration("a required parameter follows one with a default");
            ++result.required;
        } else {
            result.defaults[i] = trim(item.substr(equals + 1));
            if (result.defaults[i].empty()) bad_declaration("empty default");
        }
    }
    return result;
}

// Default texts read at compile time, each in the form the signature shows it.
namespace default_text {

constexpr double power_of_ten(int exponent) {
    double value = 1.0;
    for (int i = 0; i < exponent; ++i) value *= 10.0;
    return value;
}

// A decimal literal such as "1e-10", "0.01" or "-2.5". The digits form an
// integer below 2^53 and the scale a power of ten up to 1e22, both exact, so
// one division or multiplication gives the correctly rounded double, the same
// one the compiler would give the literal.
constexpr double to_double(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::uint64_t digits = 0;
    int scale = 0;
    bool seen_digit = false, after_point = false;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            if (after_point) declaration_detail::bad_declaration("float default");
            after_point = true;
        } else if (c >= '0' && c <= '9') {
            seen_digit = true;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            if (digits >= (std::uint64_t{1} << 53)) declaration_detail::bad_declaration("float default too long");
            if (after_point) --scale;
        } else {
            break;
        }
    }
    if (!seen_digit) declaration_detail::bad_declaration("float default");
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') declaration_detail::bad_declaration("float default");
        ++i;
        bool negative_exponent = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative_exponent = text[i++] == '-';
        int exponent = 0;
        if (i == text.size()) declaration_detail::bad_declaration("float default exponent");
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') declaration_detail::bad_declaration("float default exponent");
            exponent = exponent * 10 + (text[i] - '0');
        }
        scale += negative_exponent ? -exponent : exponent;
    }
    if (scale < -22 || scale > 22) declaration_detail::bad_declaration("float default out of the exact range");
    const double magnitude = scale < 0 ? static_cast<double>(digits) / power_of_ten(-scale)
                                       : static_cast<double>(digits) * power_of_ten(scale);
    return negative ? -magnitude : magnitude;
}

constexpr std::uint64_t to_count(std::string_view text) {
    if (text.empty()) declaration_detail::bad_declaration("count default");
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') declaration_detail::bad_declaration("count default");
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

constexpr bool to_flag(std::string_view text) {
    if (text == "True") return true;
    if (text == "False") return false;
    declaration_detail::bad_declaration("flag default must be True or False");
}

// A double-quoted string without escapes: "central".
constexpr std::string_view to_text(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') declaration_detail::bad_declaration("text default");
    text = text.substr(1, text.size() - 2);
    for (char c : text)
        if (c == '"' || c == '\\') declaration_detail::bad_declaration("text default with escapes");
    return text;
}

}  // namespace default_text

// "NAME(PARAMS)\n--\n\n": the interpreter reads the text signature from the doc
// string's first block; nothing follows it, so __doc__ itself is None.
template <FixedString Text>
constexpr auto signature_doc() {
    constexpr std::string_view text = Text.view();
    constexpr std::string_view tail = "\n--\n\n";
    std::array<char, text.size() + tail.size() + 1> doc{};
    std::size_t at = 0;
    for (char c : text) doc[at++] = c;
    for (char c : tail) doc[at++] = c;
    doc[at] = '\0';
    return doc;
}

template <FixedString Text>
constexpr auto function_name() {
    constexpr std::string_view name = parse_declaration<Text>().name;
    std::array<char, name.size() + 1> result{};
    for (std::size_t i = 0; i < name.size(); ++i) result[i] = name[i];
    return result;
}

}  // namespace vexari
