#pragma once

#include <cstdint>

namespace quince {

// The two languages the engine reads. Strict: the exact subset behind
// `_native.parse`, which refuses what it does not support. Hocon: the whole
// language.
enum class Dialect : std::uint8_t { Strict, Hocon };

}  // namespace quince
