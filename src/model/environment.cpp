#include "model/environment.hpp"

#include <cstdlib>
#include <cstring>

#include "model/text.hpp"

namespace quince {

std::optional<std::string_view> ProcessEnvironment::lookup(std::string_view name) const {
    // getenv matches "NAME=" at the start of each entry, so a name holding
    // "=" would read the tail of another variable (X=1 in "X=1=secret");
    // a NUL would cut the name short. Neither can name a variable.
    if (name.empty() || name.find('=') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos)
        return std::nullopt;
    const char* content = std::getenv(std::string(name).c_str());
    if (!content) return std::nullopt;
    std::string_view text(content, std::strlen(content));
    if (!is_valid_utf8(text)) return std::nullopt;
    return text;
}

std::optional<std::string_view> MapEnvironment::lookup(std::string_view name) const {
    auto it = vars_.find(std::string(name));
    if (it == vars_.end()) return std::nullopt;
    return std::string_view(it->second);
}

}  // namespace quince
