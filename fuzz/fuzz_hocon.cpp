// libFuzzer target: one whole call of the HOCON dialect on one text, read as
// HOCON, as JSON and as Java properties.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/engine.hpp"
#include "model/text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!quince::is_valid_utf8(text)) return -1;
    for (quince::Syntax syntax : {quince::Syntax::Conf, quince::Syntax::Json, quince::Syntax::Properties}) {
        quince::Options options;
        options.dialect = quince::Dialect::Hocon;
        options.syntax = syntax;
        options.includes.enabled = false;  // the include target covers files
        quince::Call call(options);
        (void)call.run(text);
    }
    return 0;
}
