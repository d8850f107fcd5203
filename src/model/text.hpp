// UTF-8 helpers over validated text. The engine works on UTF-8 bytes: every
// character that steers the grammar is ASCII, and an ASCII byte never occurs
// inside a multi-byte sequence, so byte positions and one-byte look-ahead
// see exactly what a code point decoder would.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/unicode.hpp"

namespace quince {

// Length of the UTF-8 sequence that starts with lead byte b (1 for ASCII and,
// defensively, for a stray continuation byte).
inline std::size_t utf8_len(unsigned char b) noexcept {
    if (b < 0xC0) return 1;
    if (b < 0xE0) return 2;
    if (b < 0xF0) return 3;
    return 4;
}

// Decodes the code point at s[i]; the caller guarantees i < s.size().
char32_t decode_at(std::string_view s, std::size_t i, std::size_t* len) noexcept;

// Appends the UTF-8 encoding of c.
void append_utf8(std::string& out, char32_t c);

// Removes White_Space characters from both ends.
std::string_view trim(std::string_view s) noexcept;

// True when the text is empty after trimming.
inline bool is_blank(std::string_view s) noexcept { return trim(s).empty(); }

// True for valid UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool is_valid_utf8(std::string_view s) noexcept;

// Calls f(word) for each maximal run of non-White_Space characters; stops
// early and returns true as soon as f returns true.
template <class F>
bool any_word(std::string_view s, F&& f) {
    std::size_t i = 0, n = s.size(), start = 0;
    bool in_word = false;
    while (i < n) {
        std::size_t len = 1;
        unsigned char b = static_cast<unsigned char>(s[i]);
        bool ws = b < 0x80 ? unicode::is_white_space(b)
                           : unicode::is_white_space(decode_at(s, i, &len));
        if (ws && in_word) {
            if (f(s.substr(start, i - start))) return true;
            in_word = false;
        } else if (!ws && !in_word) {
            start = i;
            in_word = true;
        }
        i += len;
    }
    return in_word && f(s.substr(start));
}

}  // namespace quince
