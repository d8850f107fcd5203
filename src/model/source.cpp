#include "model/source.hpp"

#include <algorithm>

namespace quince {

LineColumn line_column(std::string_view text, std::size_t offset) noexcept {
    offset = std::min(offset, text.size());
    LineColumn lc;
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++lc.line;
            line_start = i + 1;
        }
    }
    // Columns count code points: every byte but a continuation byte starts one.
    for (std::size_t i = line_start; i < offset; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++lc.column;
    return lc;
}

}  // namespace quince
