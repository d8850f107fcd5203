// Where substitutions that the document does not define are looked up.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quince {

class Environment {
public:
    // The variable's content, when it is set and valid UTF-8.
    virtual std::optional<std::string_view> lookup(std::string_view name) const = 0;

protected:
    ~Environment() = default;
};

// The process's environment.
class ProcessEnvironment final : public Environment {
public:
    std::optional<std::string_view> lookup(std::string_view name) const override;
};

// A mapping the caller supplies instead.
class MapEnvironment final : public Environment {
public:
    void set(std::string name, std::string content) { vars_.insert_or_assign(std::move(name), std::move(content)); }
    std::optional<std::string_view> lookup(std::string_view name) const override;

private:
    std::unordered_map<std::string, std::string> vars_;
};

}  // namespace quince
