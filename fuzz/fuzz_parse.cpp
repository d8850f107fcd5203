// libFuzzer target: one whole call of the engine on one text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/engine.hpp"
#include "model/text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // Text reaches the engine as UTF-8 that Python has already validated.
    if (!quince::is_valid_utf8(text)) return -1;
    quince::Options options;
    quince::Call call(options);
    (void)call.run(text);
    return 0;
}
