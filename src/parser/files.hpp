// Reading files for the parser: only regular files, never more than the
// caller can afford, and only valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/arena.hpp"

namespace quince {

struct FileText {
    std::string_view text;  // in the arena
    unsigned long long device = 0, inode = 0;
};

enum class ReadOutcome : std::uint8_t {
    Ok,
    Unreadable,  // missing, no permission, not a regular file, not UTF-8
    TooLarge,    // more than `max_bytes`: nothing beyond that was read
};

ReadOutcome read_file(Arena& arena, const std::string& path, std::uint64_t max_bytes, FileText& out);

// `path` relative to `base` (absolute paths and an empty base leave it as
// written).
std::string join_path(const std::string& base, std::string_view path);

// The path without its last component; empty when there is only one.
std::string parent_dir(std::string_view path);

}  // namespace quince
