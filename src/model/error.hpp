// The engine's one error record, and the result type every fallible
// operation returns. Input errors never throw: they travel up as values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace quince {

enum class ErrorCategory : std::uint8_t { Syntax, MissingInclude, Unsupported };

struct EngineError {
    ErrorCategory category;
    // For MissingInclude this is the file name as written; otherwise the
    // complete text the user sees.
    std::string message;
};

inline EngineError syntax_error(std::string msg) {
    return {ErrorCategory::Syntax, std::move(msg)};
}
inline EngineError unsupported(std::string msg) {
    return {ErrorCategory::Unsupported, std::move(msg)};
}

// A value or an EngineError; a small stand-in for C++23's std::expected.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(EngineError err) : v_(std::in_place_index<1>, std::move(err)) {}

    explicit operator bool() const noexcept { return v_.index() == 0; }
    T& operator*() & noexcept { return *std::get_if<0>(&v_); }
    T&& operator*() && noexcept { return std::move(*std::get_if<0>(&v_)); }
    T* operator->() noexcept { return std::get_if<0>(&v_); }
    EngineError& error() & noexcept { return *std::get_if<1>(&v_); }
    EngineError&& error() && noexcept { return std::move(*std::get_if<1>(&v_)); }

private:
    std::variant<T, EngineError> v_;
};

// Success carries nothing; failure carries the error.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(EngineError err) : err_(std::move(err)) {}

    explicit operator bool() const noexcept { return !err_.has_value(); }
    EngineError& error() & noexcept { return *err_; }
    EngineError&& error() && noexcept { return std::move(*err_); }

private:
    std::optional<EngineError> err_;
};

}  // namespace quince
