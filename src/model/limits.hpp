// Every hard limit of the engine, in one place. Each protects the process
// from one way a hostile document could exhaust it; documents within them
// are unaffected.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quince::limits {

// Levels of arrays and objects below the root, wherever they come from:
// braces, dots of a key, include levels, substituted values. A level costs
// about a kilobyte of native stack in the parser, so 2000 levels stay well
// inside the 8 MiB a Linux thread gets by default (the stack-room check in
// stack.hpp covers smaller stacks).
inline constexpr std::size_t kMaxDepth = 2000;

// Recursion of the resolver: tree depth plus chains of substitutions.
inline constexpr std::size_t kMaxResolveDepth = 4000;

// What resolution may produce: values and text bytes of the tree as the
// caller will see it (shared subtrees counted at every place they appear),
// and the memory the call may allocate for copies and included text.
inline constexpr std::uint64_t kMaxValues = 10'000'000;
inline constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 30;

// Steps of resolution work (values visited, bytes scanned or copied); about
// a few seconds of work on one core.
inline constexpr std::uint64_t kMaxWork = 400'000'000;

// Work between two calls of the caller's progress hook (a few milliseconds).
inline constexpr std::uint64_t kProgressInterval = 1u << 18;

// Include directives carried out in one call (fan-out has no cycle to stop it).
inline constexpr std::size_t kMaxIncludes = 10'000;

// The longest text (a document, an included file, one string) the engine
// takes: lengths are stored in 32 bits.
inline constexpr std::uint64_t kMaxText = 0xFFFFFFFFu;

}  // namespace quince::limits
