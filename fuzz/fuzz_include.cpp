// libFuzzer target: includes, in both dialects. The input is split at NUL
// bytes into up to four files f0.conf, f1.conf, f2.json and f3.properties in
// a private directory; f0.conf is parsed with that directory as base (and
// as the class path), so the texts can include each other (and themselves)
// in every way the directives allow.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/engine.hpp"
#include "model/text.hpp"

namespace {

const std::string& workdir() {
    static const std::string dir = [] {
        char templ[] = "/tmp/quince-fuzz-XXXXXX";
        const char* made = ::mkdtemp(templ);
        if (!made) std::abort();
        return std::string(made);
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string& dir = workdir();
    std::string_view first;
    for (int i = 0; i < 4; ++i) {
        std::size_t cut = input.find('\0');
        std::string_view part = input.substr(0, cut);
        input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
        if (i == 0) first = part;
        // Invalid UTF-8 is written as is: the engine must skip such a file.
        static const char* const names[] = {"/f0.conf", "/f1.conf", "/f2.json", "/f3.properties"};
        std::ofstream(dir + names[i], std::ios::binary | std::ios::trunc)
            .write(part.data(), static_cast<std::streamsize>(part.size()));
    }
    if (!quince::is_valid_utf8(first)) return -1;
    for (quince::Dialect dialect : {quince::Dialect::Strict, quince::Dialect::Hocon}) {
        quince::Options options;
        options.dialect = dialect;
        options.base = dir;
        options.classpath.push_back(dir);
        quince::Call call(options);
        (void)call.run(first);
    }
    return 0;
}
