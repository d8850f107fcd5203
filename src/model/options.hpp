// What a caller decides about one call: the options record the front door
// (engine/engine.hpp) takes.
#pragma once

#include <string>
#include <vector>

#include "model/budget.hpp"
#include "model/dialect.hpp"
#include "model/environment.hpp"

namespace quince {

// How a text is written: HOCON (or the strict subset), JSON, or Java
// properties. Included files are read by their extension.
enum class Syntax : std::uint8_t { Conf, Json, Properties };

struct IncludePolicy {
    bool enabled = true;
    // When not empty: included files must lie inside this directory tree
    // (after resolving symbolic links).
    std::string confine;
};

struct Options {
    Dialect dialect = Dialect::Strict;
    Syntax syntax = Syntax::Conf;
    std::string origin;  // the document's name in errors; empty for a string
    std::string base;    // directory of relative includes; empty: as written
    IncludePolicy includes;
    std::vector<std::string> classpath;  // directories searched by classpath(...)
    const Environment* env = nullptr;    // null: the process's environment
    ProgressHook* progress = nullptr;
};

}  // namespace quince
