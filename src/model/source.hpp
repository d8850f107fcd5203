// Where text comes from: a document or an included file, with the place it
// was included from, so that an error can name its file, line and column
// and the chain of includes that led there.
#pragma once

#include <cstdint>
#include <string_view>

namespace quince {

struct Source {
    std::string_view name;  // the file name as the caller gave it; empty for a string
    std::string_view text;  // the whole text, valid UTF-8
    const Source* parent = nullptr;       // the including file, if any
    std::uint32_t parent_offset = 0;      // where the include directive stands in it
};

struct SourcePos {
    const Source* source = nullptr;
    std::uint32_t offset = 0;
};

// 1-based line and column (in code points) of a byte offset.
struct LineColumn {
    std::uint32_t line = 1;
    std::uint32_t column = 1;
};
LineColumn line_column(std::string_view text, std::size_t offset) noexcept;

}  // namespace quince
