#include "model/number.hpp"

#include <charconv>
#include <limits>
#include <system_error>

namespace quince {

namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

}  // namespace

bool is_integer_text(std::string_view s) noexcept {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (!is_digit(s[i])) return false;
    return true;
}

bool integer_value(std::string_view s, std::int64_t& out) noexcept {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    while (i + 1 < s.size() && s[i] == '0') ++i;  // leading zeros do not count
    if (i == s.size() || s.size() - i > 19) return false;
    std::uint64_t mag = 0;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i])) return false;
        mag = mag * 10 + static_cast<std::uint64_t>(s[i] - '0');
    }
    constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (!negative && mag <= kMax) {
        out = static_cast<std::int64_t>(mag);
        return true;
    }
    if (negative && mag <= kMax + 1) {
        out = static_cast<std::int64_t>(0 - mag);
        return true;
    }
    return false;
}

double float_value(std::string_view s) noexcept {
    const bool negative = !s.empty() && s[0] == '-';
    const std::size_t skip = (!s.empty() && s[0] == '+') ? 1 : 0;  // from_chars takes no '+'
    double d = 0;
    auto result = std::from_chars(s.data() + skip, s.data() + s.size(), d);
    if (result.ec != std::errc::result_out_of_range) return d;
    // Out of range with a nonzero mantissa: the decimal order of the first
    // significant digit tells overflow from underflow.
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    const std::size_t int_begin = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    const std::size_t int_end = i;
    std::size_t frac_begin = i, frac_end = i;
    if (i < s.size() && s[i] == '.') {
        frac_begin = ++i;
        while (i < s.size() && is_digit(s[i])) ++i;
        frac_end = i;
    }
    std::int64_t order = 0;
    bool found = false;
    for (std::size_t k = int_begin; k < int_end && !found; ++k)
        if (s[k] != '0') { order = static_cast<std::int64_t>(int_end - k) - 1; found = true; }
    for (std::size_t k = frac_begin; k < frac_end && !found; ++k)
        if (s[k] != '0') { order = -static_cast<std::int64_t>(k - frac_begin) - 1; found = true; }
    std::int64_t exp = 0;
    bool exp_negative = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) exp_negative = s[i++] == '-';
        for (; i < s.size() && is_digit(s[i]); ++i)
            if (exp < 1'000'000'000) exp = exp * 10 + (s[i] - '0');  // saturates
    }
    order += exp_negative ? -exp : exp;
    const double mag = order >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -mag : mag;
}

}  // namespace quince
