// The front door: one whole call (parse, then resolve when anything needs
// it) for an options record. The binding and the fuzz targets use this and
// nothing else of the stages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/arena.hpp"
#include "model/budget.hpp"
#include "model/error.hpp"
#include "model/foreign.hpp"
#include "model/options.hpp"
#include "model/value.hpp"

namespace quince {

// One call's resources. The tree a call returns lives in its arena, so it
// stays valid as long as the Call.
class Call {
public:
    explicit Call(const Options& options) noexcept : options_(options), budget_(options.progress) {}
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    // The resolved root object of a document given as text. `overrides`, an
    // Object built in this call's arena (or nothing), is merged over the
    // document before resolution, as if it were written at its end, so that
    // substitutions see its values. With `eager`, finished parts of a document
    // that needs no resolution are handed to it while the rest is read (the
    // root's members may then be Foreign values); a document that needs
    // resolution is read again as a whole tree.
    Result<Value> run(std::string_view text, Value overrides = Value(), Materializer* eager = nullptr);

    // The elements of a path expression (`a."b.c"` is a, b.c), in this
    // call's arena; an error for text that is no path.
    Result<std::vector<Str>> split_path(std::string_view text);

    Arena& arena() noexcept { return arena_; }
    Budget& budget() noexcept { return budget_; }

private:
    Result<Value> parse(const Source& source, Materializer* eager);

    const Options& options_;
    Arena arena_;
    Budget budget_;
    bool concrete_ = false;  // the last parse built nothing to resolve
};

}  // namespace quince
