#include <cstdlib>
#include <cstring>

#include "model/key_index.hpp"
#include "model/text.hpp"
#include "resolve/resolve.hpp"

namespace quince {

namespace {

// Arrays are not indexed and unresolved values are not looked into: only a
// chain of objects leads to a target.
const Value* find_in_tree(const Value& root, const KeyPath& path) noexcept {
    const Value* cur = &root;
    for (const std::string& key : path) {
        const Object* obj = cur->get<Object>();
        const Member* next = obj ? find_member(*obj, key) : nullptr;
        if (!next) return nullptr;
        cur = &next->value;
    }
    return cur;
}

std::optional<std::string> from_environment(const std::string& name) {
    if (name.find('\0') != std::string::npos) return std::nullopt;
    const char* content = std::getenv(name.c_str());
    if (!content) return std::nullopt;
    std::string_view text(content, std::strlen(content));
    if (!is_valid_utf8(text)) return std::nullopt;
    return std::string(text);
}

}  // namespace

Outcome resolve_subst(Resolution& res, const KeyPath& path, bool optional) {
    std::string dotted;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i) dotted += '.';
        dotted += path[i];
    }
    for (const std::string& open : res.stack)
        if (open == dotted) return unsupported("circular substitution ${" + dotted + "}");

    if (const Value* target = find_in_tree(res.root, path)) {
        if (auto hit = res.memo.find(dotted); hit != res.memo.end()) {
            if (hit->second && !res.budget.charge(*hit->second)) return Budget::exceeded();
            return hit->second;
        }
        res.stack.push_back(dotted);
        Outcome outcome = resolve_node(res, *target);
        res.stack.pop_back();
        if (outcome) res.memo.emplace(std::move(dotted), *outcome);
        return outcome;
    }
    if (auto content = from_environment(dotted)) {
        if (!res.budget.charge(1, content->size())) return Budget::exceeded();
        return std::optional<Value>(Value(std::move(*content)));
    }
    if (optional) return std::optional<Value>();
    return unsupported("Cannot resolve variable ${" + dotted + "}");
}

}  // namespace quince
