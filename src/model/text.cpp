#include "model/text.hpp"

namespace quince {

char32_t decode_at(std::string_view s, std::size_t i, std::size_t* len) noexcept {
    auto byte = [&](std::size_t k) -> char32_t {
        return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) & 0x3F : 0;
    };
    unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t n = utf8_len(b);
    if (len) *len = n;
    switch (n) {
    case 1: return b;
    case 2: return (char32_t(b & 0x1F) << 6) | byte(1);
    case 3: return (char32_t(b & 0x0F) << 12) | (byte(1) << 6) | byte(2);
    default:
        return (char32_t(b & 0x07) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
    }
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string_view trim(std::string_view s) noexcept {
    std::size_t b = 0, e = s.size();
    while (b < e) {
        std::size_t len;
        if (!unicode::is_white_space(decode_at(s, b, &len))) break;
        b += len;
    }
    while (e > b) {
        std::size_t start = e - 1;
        while (start > b && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
        if (!unicode::is_white_space(decode_at(s, start, nullptr))) break;
        e = start;
    }
    return s.substr(b, e - b);
}

bool is_valid_utf8(std::string_view s) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t n = s.size(), i = 0;
    while (i < n) {
        unsigned char b = p[i];
        if (b < 0x80) { ++i; continue; }
        std::size_t len;
        char32_t c, min;
        if (b >= 0xC2 && b <= 0xDF) { len = 2; c = b & 0x1F; min = 0x80; }
        else if (b >= 0xE0 && b <= 0xEF) { len = 3; c = b & 0x0F; min = 0x800; }
        else if (b >= 0xF0 && b <= 0xF4) { len = 4; c = b & 0x07; min = 0x10000; }
        else return false;
        if (n - i < len) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

}  // namespace quince
