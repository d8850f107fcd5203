// Seeded hashing of keys. Documents come from users: a fixed hash would let
// a crafted document put every key in one bucket and turn linear work
// quadratic, so keys are hashed with SipHash-1-3 under a per-process random
// key.
#pragma once

#include <cstdint>
#include <string_view>

namespace quince {

std::uint64_t hash_key(std::string_view key) noexcept;

}  // namespace quince
