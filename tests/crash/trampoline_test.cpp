#include "crash/trampoline.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace xl::crash {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A system DLL far above 4 GiB and a block just below it, as Wine lays them out.
constexpr std::uint64_t kFunction = 0x7FFB'1234'5000;
constexpr std::uint64_t kBlock = 0x7FFB'0000'0010;

std::int32_t Int32At(const Bytes& b, std::size_t at) {
    std::int32_t v = 0;
    std::memcpy(&v, &b[at], sizeof v);
    return v;
}

std::uint64_t Uint64At(const Bytes& b, std::size_t at) {
    std::uint64_t v = 0;
    std::memcpy(&v, &b[at], sizeof v);
    return v;
}

// Where an operand of an instruction in the trampoline ends up pointing.
std::uint64_t TargetFrom(const Bytes& code, std::size_t operand, std::size_t next) {
    return kBlock + next +
           static_cast<std::uint64_t>(static_cast<std::int64_t>(Int32At(code, operand)));
}

void ExpectJumpBack(const Trampoline& t, std::size_t at) {
    ASSERT_EQ(t.code.size(), at + kAbsoluteJumpSize);
    EXPECT_EQ(t.code[at], 0xFF);
    EXPECT_EQ(t.code[at + 1], 0x25);
    EXPECT_EQ(Int32At(t.code, at + 2), 0);
    EXPECT_EQ(Uint64At(t.code, at + 6), kFunction + t.copied);
}

TEST(Trampoline, CopiesWholeInstructionsAndReaimsRipRelativeOperands) {
    // sub rsp,0x38 ; test byte [rip+0x1000],1 ; then more code
    const Bytes code{0x48, 0x83, 0xEC, 0x38, 0xF6, 0x05, 0x00, 0x10, 0x00, 0x00, 0x01, 0x0F, 0x85};
    const auto t = BuildTrampoline(code, kFunction, kBlock);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->copied, 11u);
    EXPECT_EQ(Bytes(t->code.begin(), t->code.begin() + 4), Bytes(code.begin(), code.begin() + 4));
    EXPECT_EQ(t->code[10], 0x01);  // the immediate after the displacement is kept
    EXPECT_EQ(TargetFrom(t->code, 6, 11), kFunction + 11 + 0x1000);
    ExpectJumpBack(*t, 11);
}

TEST(Trampoline, ExactFiveByteInstructionIsEnough) {
    const Bytes code{0x48, 0x89, 0x5C, 0x24, 0x08, 0xCC};
    const auto t = BuildTrampoline(code, kFunction, kBlock);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->copied, 5u);
    ExpectJumpBack(*t, 5);
}

TEST(Trampoline, ReaimsRelativeCallsAndJumps) {
    const Bytes code{0xE8, 0x00, 0x01, 0x00, 0x00, 0x90};  // call +0x100
    const auto call = BuildTrampoline(code, kFunction, kBlock);
    ASSERT_TRUE(call.has_value());
    EXPECT_EQ(call->code[0], 0xE8);
    EXPECT_EQ(TargetFrom(call->code, 1, 5), kFunction + 5 + 0x100);

    const Bytes thunk{0xE9, 0x00, 0xF0, 0xFF, 0xFF};  // jmp -0x1000, the whole function
    const auto jump = BuildTrampoline(thunk, kFunction, kBlock);
    ASSERT_TRUE(jump.has_value());
    EXPECT_EQ(TargetFrom(jump->code, 1, 5), kFunction + 5 - 0x1000);
}

TEST(Trampoline, WidensShortBranches) {
    // test ecx,ecx ; je +0x20 ; nop ; nop
    const Bytes je{0x85, 0xC9, 0x74, 0x20, 0x90, 0x90};
    const auto t = BuildTrampoline(je, kFunction, kBlock);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->copied, 5u);
    EXPECT_EQ(Bytes(t->code.begin(), t->code.begin() + 4), (Bytes{0x85, 0xC9, 0x0F, 0x84}));
    EXPECT_EQ(TargetFrom(t->code, 4, 8), kFunction + 4 + 0x20);
    EXPECT_EQ(t->code[8], 0x90);
    ExpectJumpBack(*t, 9);

    const Bytes jmp{0xEB, 0x10, 0x90, 0x90, 0x90};
    // jmp ends the flow before five bytes are covered: the next bytes may be
    // another function's.
    EXPECT_FALSE(BuildTrampoline(jmp, kFunction, kBlock).has_value());
    const Bytes nopThenJmp{0x0F, 0x1F, 0x40, 0x00, 0xEB, 0x10};
    const auto far = BuildTrampoline(nopThenJmp, kFunction, kBlock);
    ASSERT_TRUE(far.has_value());
    EXPECT_EQ(far->code[4], 0xE9);
    EXPECT_EQ(TargetFrom(far->code, 5, 9), kFunction + 6 + 0x10);
}

TEST(Trampoline, RefusesWhatCannotBeMoved) {
    const struct {
        const char* what;
        Bytes code;
        std::uint64_t block;
    } cases[] = {
        {"unknown instruction", {0xC5, 0xF8, 0x77, 0x90, 0x90, 0x90}, kBlock},
        {"too short to decode", {0x48, 0x83, 0xEC}, kBlock},
        {"function shorter than the jump", {0x31, 0xC0, 0xC3, 0x90, 0x90}, kBlock},
        {"branch into the copied bytes", {0x90, 0x74, 0xFE, 0x90, 0x90, 0x90}, kBlock},
        {"branch to the function's start", {0x90, 0x90, 0x90, 0xEB, 0xFB, 0x90}, kBlock},
        {"loop cannot be widened", {0x90, 0x90, 0x90, 0xE2, 0x10, 0x90}, kBlock},
        {"prefixed short branch", {0x90, 0x90, 0x3E, 0x74, 0x10, 0x90}, kBlock},
        {"RIP operand out of reach", {0x48, 0x8B, 0x05, 0, 0, 0, 0}, kFunction + 0x9000'0000},
        {"call target out of reach", {0xE8, 0, 0, 0, 0}, kFunction - 0x8000'0010},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(BuildTrampoline(c.code, kFunction, c.block).has_value());
    }
}

TEST(Trampoline, JumpEncodings) {
    const auto near = EncodeRelativeJump(kFunction, kBlock);
    ASSERT_TRUE(near.has_value());
    EXPECT_EQ((*near)[0], 0xE9);
    std::int32_t rel = 0;
    std::memcpy(&rel, &(*near)[1], 4);
    EXPECT_EQ(kFunction + 5 + static_cast<std::uint64_t>(static_cast<std::int64_t>(rel)), kBlock);

    EXPECT_TRUE(EncodeRelativeJump(0x1000, 0x1005 + 0x7FFF'FFFFull).has_value());
    EXPECT_FALSE(EncodeRelativeJump(0x1000, 0x1005 + 0x8000'0000).has_value());
    EXPECT_TRUE(EncodeRelativeJump(0x8000'1000, 0x1005).has_value());
    EXPECT_FALSE(EncodeRelativeJump(0x8000'1001, 0x1005).has_value());
    EXPECT_FALSE(EncodeRelativeJump(0x1'4000'0000, 0x7FFB'0000'0000).has_value());

    const auto far = EncodeAbsoluteJump(0x0123'4567'89AB'CDEF);
    EXPECT_EQ(Bytes(far.begin(), far.begin() + 6), (Bytes{0xFF, 0x25, 0, 0, 0, 0}));
    EXPECT_EQ(Uint64At(Bytes(far.begin(), far.end()), 6), 0x0123'4567'89AB'CDEFu);
}

}  // namespace
}  // namespace xl::crash
