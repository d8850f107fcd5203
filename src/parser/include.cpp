#include "parser/parser.hpp"

namespace quince {

Status parse_include(Parser&, Members&) {
    return unsupported("include directives are not supported yet");
}

}  // namespace quince
