// Numbers keep the text they were written with; these read it.
#pragma once

#include <cstdint>
#include <string_view>

namespace quince {

// An optional sign, then one or more ASCII digits.
bool is_integer_text(std::string_view s) noexcept;

// The value of an integer text, when it fits in 64 bits (leading zeros and a
// "+" allowed).
bool integer_value(std::string_view s, std::int64_t& out) noexcept;

// The nearest double to a decimal number text ([sign] digits [. digits]
// [exponent]); a magnitude beyond the range gives an infinity or a zero of
// the text's sign.
double float_value(std::string_view s) noexcept;

}  // namespace quince
