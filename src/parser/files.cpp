#include "parser/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "model/text.hpp"

namespace quince {

namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

ReadOutcome read_file(Arena& arena, const std::string& path, std::uint64_t max_bytes, FileText& out) {
    if (path.find('\0') != std::string::npos) return ReadOutcome::Unreadable;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0) return ReadOutcome::Unreadable;
    struct stat st;
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return ReadOutcome::Unreadable;
    if (static_cast<std::uint64_t>(st.st_size) > max_bytes) return ReadOutcome::TooLarge;
    // A file may grow while it is read: never read more than one byte past
    // what is allowed, which tells that it went beyond.
    std::size_t cap = static_cast<std::size_t>(st.st_size) + 1;
    char* buf = static_cast<char*>(arena.allocate(cap, 1));
    std::size_t got = 0;
    for (;;) {
        if (got == cap) {
            if (got > max_bytes) return ReadOutcome::TooLarge;
            const std::size_t grown = static_cast<std::size_t>(
                std::min<std::uint64_t>(max_bytes + 1, std::uint64_t{cap} * 2 + 4096));
            char* bigger = static_cast<char*>(arena.allocate(grown, 1));
            std::memcpy(bigger, buf, got);
            buf = bigger;
            cap = grown;
        }
        ssize_t n = ::read(file.fd, buf + got, cap - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadOutcome::Unreadable;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.text = std::string_view(buf, got);
    out.device = static_cast<unsigned long long>(st.st_dev);
    out.inode = static_cast<unsigned long long>(st.st_ino);
    if (!is_valid_utf8(out.text)) return ReadOutcome::Unreadable;
    return ReadOutcome::Ok;
}

std::string join_path(const std::string& base, std::string_view path) {
    if (base.empty() || (!path.empty() && path[0] == '/')) return std::string(path);
    std::string out = base;
    if (out.back() != '/') out += '/';
    out += path;
    return out;
}

std::string parent_dir(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path == "/") return {};
    std::string_view dir = path.substr(0, slash);
    while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
    return dir.empty() ? std::string("/") : std::string(dir);
}

}  // namespace quince
