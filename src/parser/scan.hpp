// Scanning several bytes at a time: the runs that dominate real documents
// (indentation, the text of a quoted string) are skipped eight bytes per
// step instead of one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quince::scan {

inline std::uint64_t load8(const char* p) noexcept {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// A word with the high bit set in each byte that is zero in `w`.
inline std::uint64_t zero_bytes(std::uint64_t w) noexcept {
    return (w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull;
}

inline std::uint64_t broadcast(char c) noexcept {
    return 0x0101010101010101ull * static_cast<unsigned char>(c);
}

// Index of the first byte flagged in a non-zero mask (little-endian).
inline std::size_t first_flagged(std::uint64_t mask) noexcept {
    return static_cast<std::size_t>(__builtin_ctzll(mask)) >> 3;
}

// Position of the first byte at or after `i` that is not `c`.
inline std::size_t skip_run(std::string_view s, std::size_t i, char c) noexcept {
    const std::uint64_t pattern = broadcast(c);
    while (i + 8 <= s.size()) {
        const std::uint64_t differs = load8(s.data() + i) ^ pattern;
        if (differs) return i + (static_cast<std::size_t>(__builtin_ctzll(differs)) >> 3);
        i += 8;
    }
    while (i < s.size() && s[i] == c) ++i;
    return i;
}

// Position of the first double quote, backslash or byte below 0x20 at or
// after `i` (the stops inside a quoted string); `controls` adds the last.
inline std::size_t find_string_stop(std::string_view s, std::size_t i, bool controls) noexcept {
    const std::uint64_t quote = broadcast('"'), backslash = broadcast('\\');
    while (i + 8 <= s.size()) {
        const std::uint64_t w = load8(s.data() + i);
        std::uint64_t mask = zero_bytes(w ^ quote) | zero_bytes(w ^ backslash);
        // Bytes below 0x20: subtracting 0x20 borrows into the high bit,
        // which the byte did not have (bytes of 0x80 and up are excluded).
        if (controls) mask |= (w - broadcast(0x20)) & ~w & 0x8080808080808080ull;
        if (mask) return i + first_flagged(mask);
        i += 8;
    }
    while (i < s.size() && s[i] != '"' && s[i] != '\\' &&
           !(controls && static_cast<unsigned char>(s[i]) < 0x20))
        ++i;
    return i;
}

}  // namespace quince::scan
