// The engine's one error record, and the result type every fallible
// operation returns. Input errors never throw: they travel up as values.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
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
// Errors are rare and end the call, so they live out of line: the success
// path moves a plain T, with no extra tag to dispatch on.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) noexcept(std::is_nothrow_move_constructible_v<T>) : value_(std::move(value)) {}
    Result(EngineError err) : err_(std::make_unique<EngineError>(std::move(err))) {}

    explicit operator bool() const noexcept { return !err_; }
    T& operator*() & noexcept { return value_; }
    T&& operator*() && noexcept { return std::move(value_); }
    T* operator->() noexcept { return &value_; }
    EngineError& error() & noexcept { return *err_; }
    EngineError&& error() && noexcept { return std::move(*err_); }

private:
    T value_{};
    std::unique_ptr<EngineError> err_;
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
