// A bound on how much one call may copy. Substitutions and self-references
// copy values; chained, they can double a document per line, so without a
// bound a few hundred bytes of text could ask for more memory than exists.
#pragma once

#include <cstddef>
#include <string>

#include "model/error.hpp"
#include "model/value.hpp"

namespace quince {

struct Budget {
    static constexpr std::size_t kMaxValues = 10'000'000;
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 30;

    std::size_t values = 0;
    std::size_t bytes = 0;

    // Records `v` values and `b` bytes of text; false once over the bound.
    bool charge(std::size_t v, std::size_t b) noexcept {
        values += v;
        bytes += b;
        return values <= kMaxValues && bytes <= kMaxBytes;
    }
    // Records a deep copy of `value`.
    bool charge(const Value& value);
    bool exhausted() const noexcept { return values > kMaxValues || bytes > kMaxBytes; }

    static EngineError exceeded() {
        return unsupported("configuration expands beyond 10000000 values or 1 GiB of text");
    }
};

}  // namespace quince
