// The engine's one error record, and the result types every fallible
// operation returns. Input errors never throw: they travel up as values.
// (Running out of memory throws std::bad_alloc, caught at the boundary.)
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "model/source.hpp"

namespace quince {

enum class ErrorCategory : std::uint8_t {
    Syntax,          // malformed text
    MissingInclude,  // a required include that cannot be read
    Unsupported,     // a construct the strict dialect refuses
    Resolve,         // a substitution or concatenation that cannot be resolved
    Interrupted,     // the caller's progress hook or objects asked to stop
    Restart,         // a document read part by part needs the whole tree
};

struct EngineError {
    ErrorCategory category = ErrorCategory::Syntax;
    // One of the bounds in limits.hpp was reached.
    bool limit = false;
    // For MissingInclude this is the file name as written; otherwise the
    // complete text the user sees.
    std::string message;
    SourcePos pos;  // where the error was found, when known
};

inline EngineError syntax_error(std::string msg, SourcePos pos = {}) {
    return {ErrorCategory::Syntax, false, std::move(msg), pos};
}
inline EngineError unsupported(std::string msg, SourcePos pos = {}) {
    return {ErrorCategory::Unsupported, false, std::move(msg), pos};
}
inline EngineError resolve_error(std::string msg, SourcePos pos = {}) {
    return {ErrorCategory::Resolve, false, std::move(msg), pos};
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
    Status() noexcept = default;
    Status(EngineError err) : err_(std::make_unique<EngineError>(std::move(err))) {}

    explicit operator bool() const noexcept { return !err_; }
    EngineError& error() & noexcept { return *err_; }
    EngineError&& error() && noexcept { return std::move(*err_); }

private:
    std::unique_ptr<EngineError> err_;
};

}  // namespace quince
