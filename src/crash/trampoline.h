#pragma once
// Code that diverts a function on x86-64: the 5-byte jump written over its
// first bytes, the absolute jump of a relay, and the trampoline that keeps the
// diverted function callable. A trampoline holds the function's first whole
// instructions, re-aimed for their new address, and a jump back behind them.
// Pure byte work, so it is tested on any platform.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace xl::crash {

inline constexpr std::size_t kRelativeJumpSize = 5;   // E9 rel32
inline constexpr std::size_t kAbsoluteJumpSize = 14;  // FF 25 00000000, then the address

struct Trampoline {
    std::vector<std::uint8_t> code;  // copied instructions and the jump back
    std::size_t copied = 0;          // bytes of the original function it replaces
};

// True when a rel32 operand can carry `target - next`.
bool FitsRel32(std::uint64_t next, std::uint64_t target);

// E9 jump at `from` that lands on `to`; nullopt when `to` is beyond ±2 GiB.
std::optional<std::array<std::uint8_t, kRelativeJumpSize>> EncodeRelativeJump(std::uint64_t from,
                                                                              std::uint64_t to);

// JMP [RIP+0] followed by the 64-bit target: reaches anywhere.
std::array<std::uint8_t, kAbsoluteJumpSize> EncodeAbsoluteJump(std::uint64_t to);

// Copies whole instructions from `code`, the first bytes of the function at
// `source`, until at least `minimum` bytes are covered, for a trampoline
// placed at `destination`. Returns nullopt when an instruction is unknown, the
// function ends or branches back into the copied bytes, or a re-aimed operand
// cannot reach its target from `destination`.
std::optional<Trampoline> BuildTrampoline(std::span<const std::uint8_t> code, std::uint64_t source,
                                          std::uint64_t destination,
                                          std::size_t minimum = kRelativeJumpSize);

}  // namespace xl::crash
