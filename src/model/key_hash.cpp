#include "model/key_hash.hpp"

#include <chrono>
#include <cstring>
#include <random>

namespace quince {

namespace {

struct SipKey {
    std::uint64_t k0, k1;
};

SipKey make_key() noexcept {
    std::uint64_t k0 = 0, k1 = 0;
    try {
        std::random_device rd;
        k0 = (std::uint64_t{rd()} << 32) ^ rd();
        k1 = (std::uint64_t{rd()} << 32) ^ rd();
    } catch (...) {
        // No entropy source: the clock and an address are better than nothing.
        k0 = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        k1 = reinterpret_cast<std::uintptr_t>(&k0) * 0x9E3779B97F4A7C15ull;
    }
    return {k0, k1};
}

inline std::uint64_t rotl(std::uint64_t x, int b) noexcept { return (x << b) | (x >> (64 - b)); }

struct SipState {
    std::uint64_t v0, v1, v2, v3;
    void round() noexcept {
        v0 += v1; v1 = rotl(v1, 13); v1 ^= v0; v0 = rotl(v0, 32);
        v2 += v3; v3 = rotl(v3, 16); v3 ^= v2;
        v0 += v3; v3 = rotl(v3, 21); v3 ^= v0;
        v2 += v1; v1 = rotl(v1, 17); v1 ^= v2; v2 = rotl(v2, 32);
    }
    void absorb(std::uint64_t m) noexcept {
        v3 ^= m;
        round();
        v0 ^= m;
    }
};

}  // namespace

std::uint64_t hash_key(std::string_view key) noexcept {
    static const SipKey k = make_key();
    SipState s{k.k0 ^ 0x736f6d6570736575ull, k.k1 ^ 0x646f72616e646f6dull,
               k.k0 ^ 0x6c7967656e657261ull, k.k1 ^ 0x7465646279746573ull};
    const char* p = key.data();
    std::size_t n = key.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t m;
        std::memcpy(&m, p, 8);  // little-endian targets only, like the rest of the build
        s.absorb(m);
    }
    std::uint64_t last = std::uint64_t{key.size()} << 56;
    for (std::size_t i = 0; i < n; ++i) last |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    s.absorb(last);
    s.v2 ^= 0xff;
    s.round();
    s.round();
    s.round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace quince
