// include directives in the HOCON dialect: a quoted name (next to the
// including file, then on the class path), file(), url() with the file:
// scheme, classpath(), each optionally required(); names without a known
// extension stand for every existing .properties, .json and .conf file.
#include <climits>
#include <cstdlib>

#include "model/text.hpp"
#include "parser/files.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

enum class Where : std::uint8_t { Heuristic, File, Url, Classpath };

struct Target {
    Where where = Where::Heuristic;
    std::string name;
    bool required = false;
};

bool take(Parser& p, std::string_view word) noexcept {
    if (p.chars.compare(p.pos, word.size(), word) != 0) return false;
    p.pos += word.size();
    return true;
}

EngineError bad_target(const Parser& p) {
    return syntax_error("include must be followed by a quoted name, or file(), url(), classpath() or "
                        "required() around one; found " + found(p),
                        p.here());
}

// Entry: on the quoted name or a call. Exit: after it.
Status read_target(Parser& p, Target& t, bool inside_required) {
    if (!p.at_end() && p.cur() == '"') {
        auto name = parse_quoted(p);
        if (!name) return std::move(name).error();
        t.name.assign(name->view());
        return {};
    }
    if (take(p, "required(")) {
        if (inside_required) return syntax_error("required() cannot be nested", p.at(p.pos - 9));
        t.required = true;
    } else if (take(p, "file(")) {
        t.where = Where::File;
    } else if (take(p, "url(")) {
        t.where = Where::Url;
    } else if (take(p, "classpath(")) {
        t.where = Where::Classpath;
    } else {
        return bad_target(p);
    }
    skip_lines(p);
    Status st;
    if (t.required) {
        st = read_target(p, t, true);
    } else if (p.at_end() || p.cur() != '"') {
        return syntax_error("expected a quoted name inside the parentheses, found " + found(p), p.here());
    } else {
        auto name = parse_quoted(p);
        if (!name) return std::move(name).error();
        t.name.assign(name->view());
    }
    if (!st) return st;
    skip_lines(p);
    if (p.at_end() || p.cur() != ')') return syntax_error("expected ')', found " + found(p), p.here());
    ++p.pos;
    return {};
}

Syntax syntax_of(std::string_view name) noexcept {
    auto ends = [&](std::string_view ext) {
        return name.size() >= ext.size() && name.substr(name.size() - ext.size()) == ext;
    };
    if (ends(".json")) return Syntax::Json;
    if (ends(".properties")) return Syntax::Properties;
    return Syntax::Conf;
}

bool has_known_extension(std::string_view name) noexcept {
    auto ends = [&](std::string_view ext) {
        return name.size() >= ext.size() && name.substr(name.size() - ext.size()) == ext;
    };
    return ends(".conf") || ends(".json") || ends(".properties");
}

// "scheme:" at the start of a name (two letters at least, so that nothing
// else reads as one).
std::string_view url_scheme(std::string_view name) noexcept {
    std::size_t i = 0;
    while (i < name.size() && ((name[i] >= 'a' && name[i] <= 'z') || (name[i] >= 'A' && name[i] <= 'Z') ||
                               (i > 0 && ((name[i] >= '0' && name[i] <= '9') || name[i] == '+' ||
                                          name[i] == '-' || name[i] == '.'))))
        ++i;
    if (i < 2 || i >= name.size() || name[i] != ':') return {};
    return name.substr(0, i);
}

int hex(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The local path of a file: URL; empty when it names no local file.
std::string file_url_path(std::string_view url) {
    url.remove_prefix(5);  // "file:"
    if (url.substr(0, 2) == "//") {
        url.remove_prefix(2);
        const std::size_t slash = url.find('/');
        const std::string_view host = url.substr(0, slash);
        if (!host.empty() && host != "localhost") return {};
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
    }
    std::string path;
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && hex(url[i + 1]) >= 0 && hex(url[i + 2]) >= 0) {
            path += static_cast<char>(hex(url[i + 1]) * 16 + hex(url[i + 2]));
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

class Includer {
public:
    Includer(Parser& p, ObjectNode& obj, std::size_t at) : p_(p), obj_(obj), at_(at) {}

    Status run(const Target& t) {
        Status st = dispatch(t);
        if (!st) return st;
        if (!any_found_ && t.required)
            return EngineError{ErrorCategory::MissingInclude, false, t.name, p_.at(at_)};
        return {};
    }

private:
    Status dispatch(const Target& t) {
        switch (t.where) {
        case Where::Url:
            return url(t.name);
        case Where::File:
            // As written: relative names resolve against the working directory.
            return candidates(t.name, "");
        case Where::Classpath:
            return classpath(t.name);
        case Where::Heuristic:
            break;
        }
        if (!url_scheme(t.name).empty()) return url(t.name);
        Status st = candidates(t.name, p_.base);
        if (!st || any_found_) return st;
        return classpath(t.name);
    }

    Status url(const std::string& name) {
        const std::string_view scheme = url_scheme(name);
        if (scheme != "file") {
            return syntax_error("cannot include " + name + ": only file: URLs are read (this library never "
                                "opens network connections)",
                                p_.at(at_));
        }
        const std::string path = file_url_path(name);
        if (path.empty()) return syntax_error("cannot include " + name + ": not a local file", p_.at(at_));
        return one(path, name, syntax_of(path));
    }

    Status classpath(std::string_view name) {
        while (!name.empty() && name.front() == '/') name.remove_prefix(1);
        for (const std::string& dir : p_.cx.options.classpath) {
            Status st = candidates(std::string(name), dir);
            if (!st || any_found_) return st;
        }
        return {};
    }

    // A name without a known extension stands for each existing file with
    // one; .conf comes last, so that it wins over the others.
    Status candidates(const std::string& name, const std::string& base) {
        if (has_known_extension(name)) return one(join_path(base, name), name, syntax_of(name));
        for (std::string_view ext : {".properties", ".json", ".conf"}) {
            const std::string shown = name + std::string(ext);
            Status st = one(join_path(base, shown), shown, syntax_of(ext));
            if (!st) return st;
        }
        return {};
    }

    Status one(const std::string& path, std::string_view shown, Syntax syntax) {
        const IncludePolicy& policy = p_.cx.options.includes;
        if (!policy.confine.empty()) {
            Status st = check_confined(path, shown);
            if (!st || !confined_ok_) return st;
        }
        bool found = false;
        Status st = include_file(p_, obj_, path, shown, syntax, at_, found);
        any_found_ = any_found_ || found;
        return st;
    }

    // Refuses a file whose real path leaves the confining directory.
    Status check_confined(const std::string& path, std::string_view shown) {
        confined_ok_ = false;
        char real[PATH_MAX], root[PATH_MAX];
        if (!::realpath(path.c_str(), real)) return {};  // missing: nothing to include
        if (!::realpath(p_.cx.options.includes.confine.c_str(), root))
            return syntax_error("includes are confined to a directory that does not exist", p_.at(at_));
        const std::string_view r = real, base = root;
        const bool inside = r.size() > base.size() && r.substr(0, base.size()) == base &&
                            (base.back() == '/' || r[base.size()] == '/');
        if (!inside) {
            return syntax_error("cannot include " + std::string(shown) + ": outside the directory includes are "
                                "confined to",
                                p_.at(at_));
        }
        confined_ok_ = true;
        return {};
    }

    Parser& p_;
    ObjectNode& obj_;
    std::size_t at_;
    bool any_found_ = false;
    bool confined_ok_ = false;
};

}  // namespace

Status parse_hocon_include(Parser& p, ObjectNode& obj) {
    const std::size_t at = p.pos - 7;
    if (p.json()) return syntax_error("include is not part of JSON", p.at(at));
    if (p.cx.arrays > 0) return syntax_error("an include cannot stand inside an array", p.at(at));
    if (!p.cx.options.includes.enabled) return syntax_error("includes are disabled", p.at(at));
    skip_lines(p);
    Target target;
    Status st = read_target(p, target, false);
    if (!st) return st;
    return Includer(p, obj, at).run(target);
}

}  // namespace quince
