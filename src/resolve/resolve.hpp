// Resolution: substitutions replaced by what they name, concatenations
// evaluated, into a tree of concrete values only.
#pragma once

#include <optional>

#include "model/error.hpp"
#include "model/value.hpp"

namespace quince {

// Resolves a parsed document. The outcome is the resolved root, or nothing
// when the root resolves to nothing.
Result<std::optional<Value>> resolve_document(Value raw);

}  // namespace quince
