// libFuzzer target: the whole engine (parse, then resolve) on one text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/text.hpp"
#include "parser/parser.hpp"
#include "resolve/resolve.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // Text reaches the engine as UTF-8 that Python has already validated.
    if (!quince::is_valid_utf8(text)) return -1;
    quince::Parser parser(text);
    quince::Result<quince::Value> raw = quince::parse_root(parser);
    if (raw) (void)quince::resolve_document(std::move(*raw));
    return 0;
}
