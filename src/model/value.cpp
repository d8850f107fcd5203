#include "model/value.hpp"

namespace quince {

bool is_concrete(const Value& value) noexcept {
    switch (value.kind()) {
    case Kind::Subst:
    case Kind::Concat:
        return false;
    case Kind::Array:
        for (const Value& item : value.get<Array>()->items)
            if (!is_concrete(item)) return false;
        return true;
    case Kind::Object:
        for (const Member& m : value.get<Object>()->members)
            if (!is_concrete(m.value)) return false;
        return true;
    default:
        return true;
    }
}

}  // namespace quince
