#include <charconv>
#include <cstdint>
#include <limits>

#include "parser/parser.hpp"

namespace quince {

namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

bool equals_ascii_nocase(std::string_view s, std::string_view lower) noexcept {
    if (s.size() != lower.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

// Optional sign then one or more digits: Int when it fits in 64 bits,
// BigInt (text kept verbatim) otherwise. Empty when the shape does not match.
std::optional<Value> integer(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return std::nullopt;
    for (std::size_t k = i; k < s.size(); ++k)
        if (!is_digit(s[k])) return std::nullopt;
    while (i + 1 < s.size() && s[i] == '0') ++i;  // leading zeros do not count
    if (s.size() - i <= 19) {
        std::uint64_t mag = 0;
        for (; i < s.size(); ++i) mag = mag * 10 + static_cast<std::uint64_t>(s[i] - '0');
        constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
        if (!negative && mag <= kMax) return Value(static_cast<std::int64_t>(mag));
        if (negative && mag <= kMax + 1) return Value(static_cast<std::int64_t>(0 - mag));
    }
    return Value(BigInt{std::string(s)});
}

// [sign] digits* [. digits*] [(e|E) [sign] digits+], with at least one
// mantissa digit and at least one fraction digit or an exponent.
std::optional<Value> floating(std::string_view s) {
    std::size_t i = 0, n = s.size();
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t int_begin = i;
    while (i < n && is_digit(s[i])) ++i;
    const std::size_t int_end = i;
    std::size_t frac_begin = i, frac_end = i;
    if (i < n && s[i] == '.') {
        frac_begin = frac_end = ++i;
        while (i < n && is_digit(s[i])) ++i;
        frac_end = i;
    }
    bool has_exp = false;
    bool exp_negative = false;
    std::int64_t exp = 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) exp_negative = s[i++] == '-';
        std::size_t exp_begin = i;
        for (; i < n && is_digit(s[i]); ++i)
            if (exp < 1'000'000'000) exp = exp * 10 + (s[i] - '0');  // saturates
        if (i == exp_begin) return std::nullopt;
        has_exp = true;
    }
    const std::size_t int_digits = int_end - int_begin, frac_digits = frac_end - frac_begin;
    if (i != n || int_digits + frac_digits == 0 || (frac_digits == 0 && !has_exp))
        return std::nullopt;

    const char* first = s.data() + (s[0] == '+' ? 1 : 0);  // from_chars takes no '+'
    double d = 0;
    auto [ptr, ec] = std::from_chars(first, s.data() + n, d);
    if (ec == std::errc::result_out_of_range) {
        // Out of range with a nonzero mantissa: the decimal order of the first
        // significant digit tells overflow from underflow.
        std::int64_t order = 0;
        bool found = false;
        for (std::size_t k = int_begin; k < int_end && !found; ++k)
            if (s[k] != '0') { order = static_cast<std::int64_t>(int_end - k) - 1; found = true; }
        for (std::size_t k = frac_begin; k < frac_end && !found; ++k)
            if (s[k] != '0') { order = -static_cast<std::int64_t>(k - frac_begin) - 1; found = true; }
        order += exp_negative ? -exp : exp;
        double mag = order >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
        d = negative ? -mag : mag;
    } else if (ec != std::errc() || ptr != s.data() + n) {
        return std::nullopt;  // cannot happen for this shape; keep it a string
    }
    return Value(d);
}

}  // namespace

Value parse_scalar(std::string_view text) {
    if (equals_ascii_nocase(text, "null")) return Value(Null{});
    if (equals_ascii_nocase(text, "true")) return Value(true);
    if (equals_ascii_nocase(text, "false")) return Value(false);
    if (!text.empty()) {
        char c = text[0];
        if (is_digit(c) || c == '+' || c == '-' || c == '.') {
            if (auto v = integer(text)) return std::move(*v);
            if (auto v = floating(text)) return std::move(*v);
        }
    }
    return Value(std::string(text));
}

}  // namespace quince
