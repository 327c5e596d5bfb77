#pragma once
// Length decoding of x86-64 instructions, enough to copy the first few whole
// instructions of a system function elsewhere and keep them working: it finds
// each instruction's length, its RIP-relative displacement and its relative
// branch operand. Anything it does not know is refused, so a caller never
// copies half an instruction.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace xl::crash {

enum class BranchKind : std::uint8_t {
    None,
    Jump,         // EB rel8, E9 rel32
    Call,         // E8 rel32
    Conditional,  // 70-7F rel8, 0F 80-8F rel32
    Loop,         // LOOP/LOOPcc/JRCXZ: rel8 only, no long form exists
};

struct Instruction {
    std::size_t length = 0;
    std::size_t prefixLength = 0;  // legacy and REX prefixes before the opcode
    // Offset of the RIP-relative 32-bit displacement inside the instruction.
    std::optional<std::size_t> ripDisplacement;
    BranchKind branch = BranchKind::None;
    std::size_t branchOperand = 0;  // offset of the relative operand
    std::uint8_t branchWidth = 0;   // 1 or 4 bytes
    std::uint8_t condition = 0;     // low nibble of a conditional jump's opcode
    // Control does not fall through to the next byte (return, jump, trap).
    bool endsFlow = false;
};

// Decodes the instruction at the start of `code`; nullopt when the bytes are
// truncated, invalid in 64-bit mode or outside what the decoder knows.
std::optional<Instruction> DecodeInstruction(std::span<const std::uint8_t> code);

}  // namespace xl::crash
