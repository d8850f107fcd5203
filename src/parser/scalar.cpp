#include "model/number.hpp"
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

// [sign] digits* [. digits*] [(e|E) [sign] digits+], with at least one
// mantissa digit and at least one fraction digit or an exponent.
bool is_float_text(std::string_view s) noexcept {
    std::size_t i = 0, n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t int_begin = i;
    while (i < n && is_digit(s[i])) ++i;
    std::size_t digits = i - int_begin, frac_digits = 0;
    if (i < n && s[i] == '.') {
        const std::size_t frac_begin = ++i;
        while (i < n && is_digit(s[i])) ++i;
        frac_digits = i - frac_begin;
    }
    bool has_exp = false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        const std::size_t exp_begin = i;
        while (i < n && is_digit(s[i])) ++i;
        if (i == exp_begin) return false;
        has_exp = true;
    }
    return i == n && digits + frac_digits > 0 && (frac_digits > 0 || has_exp);
}

}  // namespace

Value parse_scalar(std::string_view text) {
    if (equals_ascii_nocase(text, "null")) return Value::null();
    if (equals_ascii_nocase(text, "true")) return Value::boolean(true);
    if (equals_ascii_nocase(text, "false")) return Value::boolean(false);
    if (!text.empty()) {
        const char c = text[0];
        if (is_digit(c) || c == '+' || c == '-' || c == '.') {
            std::int64_t unused;
            if (integer_value(text, unused)) return Value::textual(Kind::Int, text);
            if (is_integer_text(text)) return Value::textual(Kind::BigInt, text);
            if (is_float_text(text)) return Value::textual(Kind::Float, text);
        }
    }
    return Value::string(text);
}

}  // namespace quince
