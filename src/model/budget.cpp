#include "model/budget.hpp"

#include <vector>

namespace quince {

bool Budget::charge(const Value& value) {
    // Iterative walk: values may nest deeper than is safe to recurse.
    std::size_t v = 0, b = 0;
    std::vector<const Value*> todo{&value};
    while (!todo.empty()) {
        const Value* cur = todo.back();
        todo.pop_back();
        ++v;
        switch (cur->kind()) {
        case Kind::Str: b += cur->get<std::string>()->size(); break;
        case Kind::BigInt: b += cur->get<BigInt>()->text.size(); break;
        case Kind::Array:
            for (const Value& item : cur->get<Array>()->items) todo.push_back(&item);
            break;
        case Kind::Object:
            for (const Member& m : cur->get<Object>()->members) {
                b += m.key.size();
                todo.push_back(&m.value);
            }
            break;
        default: break;
        }
        // Stop walking a huge value early: it is over the bound anyway.
        if (values + v > kMaxValues || bytes + b > kMaxBytes) break;
    }
    return charge(v, b);
}

}  // namespace quince
