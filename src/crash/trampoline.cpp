#include "crash/trampoline.h"

#include <cstring>
#include <limits>

#include "crash/x64_decoder.h"

namespace xl::crash {
namespace {

std::int32_t ReadInt32(const std::uint8_t* p) {
    std::int32_t v = 0;
    std::memcpy(&v, p, sizeof v);  // little-endian, unaligned
    return v;
}

void WriteInt32(std::uint8_t* p, std::int32_t v) {
    std::memcpy(p, &v, sizeof v);
}

// Operand that makes an instruction ending at `next` reach `target`.
std::optional<std::int32_t> Rel32(std::uint64_t next, std::uint64_t target) {
    if (!FitsRel32(next, target)) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(target - next));
}

// Appends one instruction, moved from `oldAddress` to `newAddress`, to `out`;
// `branchTarget` receives where a relative branch of it goes.
bool AppendRelocated(const Instruction& insn, std::span<const std::uint8_t> bytes,
                     std::uint64_t oldAddress, std::uint64_t newAddress,
                     std::vector<std::uint8_t>& out, std::optional<std::uint64_t>& branchTarget) {
    const std::uint64_t oldNext = oldAddress + insn.length;
    std::vector<std::uint8_t> moved(bytes.begin(), bytes.end());

    if (insn.ripDisplacement) {
        const std::size_t at = *insn.ripDisplacement;
        const std::uint64_t target = oldNext + ReadInt32(&moved[at]);
        const auto disp = Rel32(newAddress + insn.length, target);
        if (!disp) return false;
        WriteInt32(&moved[at], *disp);
    }

    if (insn.branch != BranchKind::None) {
        const std::int64_t rel = insn.branchWidth == 1
                                     ? static_cast<std::int8_t>(moved[insn.branchOperand])
                                     : ReadInt32(&moved[insn.branchOperand]);
        const std::uint64_t target = oldNext + static_cast<std::uint64_t>(rel);
        branchTarget = target;
        if (insn.branchWidth == 1) {
            // A short branch cannot reach back from the trampoline: use the long form.
            if (insn.branch == BranchKind::Loop || insn.prefixLength != 0) return false;
            if (insn.branch == BranchKind::Jump) {
                moved = {0xE9, 0, 0, 0, 0};
            } else {
                moved = {0x0F, static_cast<std::uint8_t>(0x80 | insn.condition), 0, 0, 0, 0};
            }
        }
        const std::size_t operand = insn.branchWidth == 1 ? moved.size() - 4 : insn.branchOperand;
        const auto disp = Rel32(newAddress + moved.size(), target);
        if (!disp) return false;
        WriteInt32(&moved[operand], *disp);
    }

    out.insert(out.end(), moved.begin(), moved.end());
    return true;
}

}  // namespace

bool FitsRel32(std::uint64_t next, std::uint64_t target) {
    const auto delta = static_cast<std::int64_t>(target - next);
    return delta >= std::numeric_limits<std::int32_t>::min() &&
           delta <= std::numeric_limits<std::int32_t>::max();
}

std::optional<std::array<std::uint8_t, kRelativeJumpSize>> EncodeRelativeJump(std::uint64_t from,
                                                                              std::uint64_t to) {
    const auto rel = Rel32(from + kRelativeJumpSize, to);
    if (!rel) return std::nullopt;
    std::array<std::uint8_t, kRelativeJumpSize> jump{0xE9};
    WriteInt32(&jump[1], *rel);
    return jump;
}

std::array<std::uint8_t, kAbsoluteJumpSize> EncodeAbsoluteJump(std::uint64_t to) {
    std::array<std::uint8_t, kAbsoluteJumpSize> jump{0xFF, 0x25, 0, 0, 0, 0};
    std::memcpy(&jump[6], &to, sizeof to);
    return jump;
}

std::optional<Trampoline> BuildTrampoline(std::span<const std::uint8_t> code, std::uint64_t source,
                                          std::uint64_t destination, std::size_t minimum) {
    Trampoline result;
    std::vector<std::uint64_t> branchTargets;
    while (result.copied < minimum) {
        const auto rest = code.subspan(result.copied);
        const auto insn = DecodeInstruction(rest);
        if (!insn) return std::nullopt;
        // The function ends before the jump would fit: patching it would
        // overwrite whatever follows.
        if (insn->endsFlow && result.copied + insn->length < minimum) return std::nullopt;
        std::optional<std::uint64_t> target;
        if (!AppendRelocated(*insn, rest.first(insn->length), source + result.copied,
                             destination + result.code.size(), result.code, target)) {
            return std::nullopt;
        }
        if (target) branchTargets.push_back(*target);
        result.copied += insn->length;
    }
    for (std::uint64_t target : branchTargets) {
        // Those bytes will hold the diverting jump.
        if (target >= source && target < source + result.copied) return std::nullopt;
    }
    const auto back = EncodeAbsoluteJump(source + result.copied);
    result.code.insert(result.code.end(), back.begin(), back.end());
    return result;
}

}  // namespace xl::crash
