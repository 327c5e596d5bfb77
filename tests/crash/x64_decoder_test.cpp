#include "crash/x64_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xl::crash {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct LengthCase {
    const char* what;
    Bytes code;
    std::size_t length;
    std::optional<std::size_t> rip;  // offset of the RIP-relative displacement
};

// Trailing bytes after each instruction show that the decoder stops at its end.
const LengthCase kLengths[] = {
    {"push rbp", {0x55, 0x90}, 1, {}},
    {"push r15", {0x41, 0x57, 0x90}, 2, {}},
    {"mov rbp,rsp", {0x48, 0x89, 0xE5}, 3, {}},
    {"mov r11,rsp", {0x4C, 0x8B, 0xDC}, 3, {}},
    {"sub rsp,0x38", {0x48, 0x83, 0xEC, 0x38, 0xF6}, 4, {}},
    {"sub rsp,imm32", {0x48, 0x81, 0xEC, 0x00, 0x01, 0x00, 0x00}, 7, {}},
    {"test byte [rip+d],1", {0xF6, 0x05, 0x10, 0x20, 0x30, 0x00, 0x01, 0x90}, 7, 2},
    {"mov [rsp+8],rbx", {0x48, 0x89, 0x5C, 0x24, 0x08}, 5, {}},
    {"mov rax,[rip+d]", {0x48, 0x8B, 0x05, 1, 2, 3, 4}, 7, 3},
    {"lea rcx,[rip+d]", {0x48, 0x8D, 0x0D, 1, 2, 3, 4}, 7, 3},
    {"mov qword [rip+d],imm32", {0x48, 0xC7, 0x05, 1, 2, 3, 4, 5, 6, 7, 8}, 11, 3},
    {"cmp dword [rip+d],imm32", {0x81, 0x3D, 1, 2, 3, 4, 5, 6, 7, 8}, 10, 2},
    {"cmp word [rip+d],imm16", {0x66, 0x81, 0x3D, 1, 2, 3, 4, 5, 6}, 9, 3},
    {"lock cmpxchg [rip+d],ecx", {0xF0, 0x0F, 0xB1, 0x0D, 1, 2, 3, 4}, 8, 4},
    {"jmp [rip+d]", {0xFF, 0x25, 1, 2, 3, 4}, 6, 2},
    {"mov dword [rsp+0x20],0", {0xC7, 0x44, 0x24, 0x20, 0, 0, 0, 0}, 8, {}},
    {"mov rax,gs:[0x30]", {0x65, 0x48, 0x8B, 0x04, 0x25, 0x30, 0, 0, 0}, 9, {}},
    {"mov eax,[rbp+disp32]", {0x8B, 0x85, 0x00, 0x01, 0x00, 0x00}, 6, {}},
    {"mov eax,[r13+0] (no RIP)", {0x41, 0x8B, 0x45, 0x00}, 4, {}},
    {"mov rax,imm64", {0x48, 0xB8, 1, 2, 3, 4, 5, 6, 7, 8}, 10, {}},
    {"mov eax,imm32", {0xB8, 1, 2, 3, 4}, 5, {}},
    {"mov ax,imm16", {0x66, 0xB8, 1, 2}, 4, {}},
    {"REX.W wins over 66", {0x66, 0x48, 0xB8, 1, 2, 3, 4, 5, 6, 7, 8}, 11, {}},
    {"mov eax,[moffs64]", {0xA1, 1, 2, 3, 4, 5, 6, 7, 8}, 9, {}},
    {"mov eax,[moffs32]", {0x67, 0xA1, 1, 2, 3, 4}, 6, {}},
    {"test ecx,imm32", {0xF7, 0xC1, 1, 2, 3, 4}, 6, {}},
    {"neg eax", {0xF7, 0xD8, 0x90}, 2, {}},
    {"test cl,1", {0xF6, 0xC1, 0x01}, 3, {}},
    {"enter 16,0", {0xC8, 0x10, 0x00, 0x00}, 4, {}},
    {"endbr64", {0xF3, 0x0F, 0x1E, 0xFA}, 4, {}},
    {"nopw 0(rax,rax)", {0x66, 0x0F, 0x1F, 0x44, 0x00, 0x00}, 6, {}},
    {"nopl 0(rax)", {0x0F, 0x1F, 0x80, 0, 0, 0, 0}, 7, {}},
    {"pshufb", {0x66, 0x0F, 0x38, 0x00, 0xC1}, 5, {}},
    {"palignr", {0x66, 0x0F, 0x3A, 0x0F, 0xC1, 0x08}, 6, {}},
    {"pshufd", {0x66, 0x0F, 0x70, 0xC1, 0x1B}, 5, {}},
    {"movaps [rsp+0x20],xmm6", {0x0F, 0x29, 0x74, 0x24, 0x20}, 5, {}},
    {"syscall", {0x0F, 0x05}, 2, {}},
    {"bt eax,3", {0x0F, 0xBA, 0xE0, 0x03}, 4, {}},
    {"imul eax,ecx,imm8", {0x6B, 0xC1, 0x10}, 3, {}},
    {"push imm32", {0x68, 1, 2, 3, 4}, 5, {}},
    {"fld qword [rip+d]", {0xDD, 0x05, 1, 2, 3, 4}, 6, 2},
};

TEST(DecodeInstruction, LengthsAndRipRelativeOperands) {
    for (const auto& c : kLengths) {
        SCOPED_TRACE(c.what);
        const auto insn = DecodeInstruction(c.code);
        ASSERT_TRUE(insn.has_value());
        EXPECT_EQ(insn->length, c.length);
        EXPECT_EQ(insn->ripDisplacement, c.rip);
        EXPECT_EQ(insn->branch, BranchKind::None);
    }
}

struct BranchCase {
    const char* what;
    Bytes code;
    std::size_t length;
    BranchKind kind;
    std::uint8_t width;
    bool endsFlow;
};

const BranchCase kBranches[] = {
    {"call rel32", {0xE8, 1, 2, 3, 4}, 5, BranchKind::Call, 4, false},
    {"jmp rel32", {0xE9, 1, 2, 3, 4}, 5, BranchKind::Jump, 4, true},
    {"jmp rel8", {0xEB, 0x05}, 2, BranchKind::Jump, 1, true},
    {"je rel8", {0x74, 0x03}, 2, BranchKind::Conditional, 1, false},
    {"jne rel32", {0x0F, 0x85, 1, 2, 3, 4}, 6, BranchKind::Conditional, 4, false},
    {"loop", {0xE2, 0xFE}, 2, BranchKind::Loop, 1, false},
    {"jrcxz", {0xE3, 0x10}, 2, BranchKind::Loop, 1, false},
};

TEST(DecodeInstruction, RelativeBranches) {
    for (const auto& c : kBranches) {
        SCOPED_TRACE(c.what);
        const auto insn = DecodeInstruction(c.code);
        ASSERT_TRUE(insn.has_value());
        EXPECT_EQ(insn->length, c.length);
        EXPECT_EQ(insn->branch, c.kind);
        EXPECT_EQ(insn->branchWidth, c.width);
        EXPECT_EQ(insn->branchOperand, c.length - c.width);
        EXPECT_EQ(insn->endsFlow, c.endsFlow);
    }
    EXPECT_EQ(DecodeInstruction(Bytes{0x7C, 0x00})->condition, 0x0C);
    EXPECT_EQ(DecodeInstruction(Bytes{0x0F, 0x8F, 0, 0, 0, 0})->condition, 0x0F);
}

TEST(DecodeInstruction, FlowEnders) {
    const std::pair<const char*, Bytes> enders[] = {
        {"ret", {0xC3}},
        {"ret 8", {0xC2, 0x08, 0x00}},
        {"int3", {0xCC}},
        {"ud2", {0x0F, 0x0B}},
        {"hlt", {0xF4}},
        {"jmp rax", {0xFF, 0xE0}},
        {"jmp [rip+d]", {0xFF, 0x25, 0, 0, 0, 0}},
    };
    for (const auto& [what, code] : enders) {
        SCOPED_TRACE(what);
        const auto insn = DecodeInstruction(code);
        ASSERT_TRUE(insn.has_value());
        EXPECT_TRUE(insn->endsFlow);
    }
    EXPECT_FALSE(DecodeInstruction(Bytes{0xFF, 0xD0})->endsFlow);  // call rax
}

TEST(DecodeInstruction, RefusesWhatItCannotCopySafely) {
    const std::pair<const char*, Bytes> refused[] = {
        {"empty", {}},
        {"prefix only", {0x48}},
        {"prefixes only", {0x66, 0x67, 0xF3}},
        {"escape only", {0x0F}},
        {"three-byte escape only", {0x0F, 0x38}},
        {"missing ModRM", {0x48, 0x89}},
        {"missing SIB", {0x48, 0x89, 0x44}},
        {"missing displacement", {0x48, 0x8B, 0x05, 1, 2}},
        {"missing immediate", {0x48, 0xB8, 1, 2, 3}},
        {"missing rel32", {0xE8, 0, 0}},
        {"push es (invalid in 64-bit)", {0x06}},
        {"pusha", {0x60}},
        {"EVEX", {0x62, 0xF1, 0x7C, 0x48, 0x10, 0xC1}},
        {"VEX3", {0xC4, 0xE2, 0x79, 0x00, 0xC1}},
        {"VEX2", {0xC5, 0xF8, 0x77}},
        {"aam", {0xD4, 0x0A}},
        {"far jmp", {0xEA, 0, 0, 0, 0, 0, 0}},
        {"3DNow!", {0x0F, 0x0F, 0xC1, 0x9E}},
        {"0F 04", {0x0F, 0x04}},
        {"XOP (8F with reg != 0)", {0x8F, 0xE8, 0x78, 0xC0}},
        {"xbegin", {0xC7, 0xF8, 0, 0, 0, 0}},
        {"FF /7", {0xFF, 0xF8}},
        {"FE /2", {0xFE, 0xD0}},
        {"16-bit branch target", {0x66, 0xE9, 0, 0}},
        {"more than 15 bytes",
         {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
          0x90}},
        {"longer than 15 with its operands",
         {0x66, 0x66, 0x66, 0x66, 0x66, 0x2E, 0x48, 0xC7, 0x84, 0x24, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& [what, code] : refused) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(DecodeInstruction(code).has_value());
    }
}

TEST(DecodeInstruction, ReadsOnlyTheGivenBytes) {
    // Every prefix of a valid instruction is refused rather than read past.
    const Bytes full{0x48, 0xC7, 0x05, 1, 2, 3, 4, 5, 6, 7, 8};
    for (std::size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(DecodeInstruction(std::span(full).first(n)).has_value());
    }
    EXPECT_TRUE(DecodeInstruction(full).has_value());
}

}  // namespace
}  // namespace xl::crash
