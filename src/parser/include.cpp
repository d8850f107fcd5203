// include "file" / file("...") / required(...): another file's members
// spliced in at the directive's place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "model/text.hpp"
#include "parser/parser.hpp"
#include "resolve/merge.hpp"

namespace quince {

namespace {

constexpr std::size_t kMaxIncludes = 10000;

// "name(...)" -> the text between the parentheses; nothing is trimmed and
// inner parentheses are not matched.
std::optional<std::string_view> strip_call(std::string_view text, std::string_view name) {
    if (text.size() < name.size() + 2 || text.substr(0, name.size()) != name ||
        text[name.size()] != '(' || text.back() != ')')
        return std::nullopt;
    return text.substr(name.size() + 1, text.size() - name.size() - 2);
}

std::string join_path(const std::string& base, std::string_view path) {
    if (base.empty() || (!path.empty() && path[0] == '/')) return std::string(path);
    std::string out = base;
    if (out.back() != '/') out += '/';
    out += path;
    return out;
}

// The path without its last component; empty when there is only one.
std::string parent_dir(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path == "/") return {};
    std::string_view dir = path.substr(0, slash);
    while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
    return dir.empty() ? std::string("/") : std::string(dir);
}

struct FileText {
    std::string text;
    unsigned long long device = 0, inode = 0;
};

// Reads a whole regular file that holds valid UTF-8. Anything else (missing,
// unreadable, a directory, a FIFO or device that might never end, invalid
// text) counts as unreadable.
std::optional<FileText> read_file(const std::string& path) {
    if (path.find('\0') != std::string::npos) return std::nullopt;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileText out;
    out.device = static_cast<unsigned long long>(st.st_dev);
    out.inode = static_cast<unsigned long long>(st.st_ino);
    out.text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == out.text.size()) out.text.resize(got + 4096 + got / 2);  // the file grew
        ssize_t n = ::read(fd, out.text.data() + got, out.text.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.text.resize(got);
    if (!is_valid_utf8(out.text)) return std::nullopt;
    return out;
}

}  // namespace

Status parse_include(Parser& p, Object& obj) {
    const std::size_t start = p.pos;
    while (!p.at_end()) {
        char c = p.cur();
        if (c == '\n' || c == '#' || c == ',' || c == '}' || c == ']' ||
            (c == '/' && p.next() == '/'))
            break;
        ++p.pos;
    }
    const std::string_view written = trim(p.chars.substr(start, p.pos - start));

    std::string_view text = written;
    bool required = false;
    if (auto inner = strip_call(text, "required")) {
        text = trim(*inner);
        required = true;
    }
    std::string_view kind = "file";
    for (std::string_view k : {"url", "classpath", "file"}) {
        if (auto inner = strip_call(text, k)) {
            text = trim(*inner);
            kind = k;
            break;
        }
    }
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return unsupported("unquoted include: " + render_include_target(written));
    const std::string_view path = text.substr(1, text.size() - 2);
    if (kind != "file") return unsupported("include " + std::string(kind) + "(...) out of scope");

    // Fan-out (a file including another twice, which includes another twice,
    // ...) multiplies the work without any cycle; bound it.
    if (++p.shared->includes > kMaxIncludes) return syntax_error("too many includes");
    const std::string resolved = join_path(p.base, path);
    std::optional<FileText> file = read_file(resolved);
    if (!file) {
        if (required) return EngineError{ErrorCategory::MissingInclude, std::string(path)};
        return {};
    }

    for (const IncludeFrame* f = p.file; f; f = f->outer)
        if (f->device == file->device && f->inode == file->inode)
            return syntax_error("include cycle: " + std::string(path));
    // An include level counts like a brace: the nested parse recurses.
    if (p.depth + 1 > kMaxDepth || !stack_room()) return too_deep();

    if (!p.shared->budget.charge(0, file->text.size())) return Budget::exceeded();

    IncludeFrame frame{file->device, file->inode, p.file};
    Parser nested(file->text);
    nested.base = parent_dir(resolved);
    nested.depth = p.depth + 1;
    nested.file = &frame;
    nested.shared = p.shared;
    Result<Value> root = parse_root(nested);
    if (!root) return std::move(root).error();
    for (Member& m : root->get<Object>()->members)
        merge_into(obj, std::move(m.key), std::move(m.value), &p.shared->budget);
    if (p.shared->budget.exhausted()) return Budget::exceeded();
    return {};
}

}  // namespace quince
