#include "crash/x64_decoder.h"

#include <array>

namespace xl::crash {
namespace {

constexpr std::size_t kMaxInstructionLength = 15;

// Operand shape of an opcode, one table entry per opcode byte.
enum Shape : std::uint16_t {
    kModRM = 1 << 0,
    kImm8 = 1 << 1,
    kImm16 = 1 << 2,
    kImmZ = 1 << 3,   // 16 or 32 bits by operand size
    kImmV = 1 << 4,   // 16, 32 or 64 bits (MOV reg, imm)
    kMoffs = 1 << 5,  // 64-bit absolute address, 32-bit with 67
    kRel8 = 1 << 6,
    kRel32 = 1 << 7,
    kEnds = 1 << 8,
    kInvalid = 1 << 9,
    kGroup = 1 << 10,  // validity or immediate depends on ModRM.reg
};

using Table = std::array<std::uint16_t, 256>;

constexpr void Fill(Table& t, int first, int last, std::uint16_t shape) {
    for (int op = first; op <= last; ++op) t[static_cast<std::size_t>(op)] = shape;
}

constexpr Table BuildOneByteMap() {
    Table t{};
    for (int row = 0x00; row < 0x40; row += 8) {  // ADD OR ADC SBB AND SUB XOR CMP
        Fill(t, row, row + 3, kModRM);
        t[static_cast<std::size_t>(row + 4)] = kImm8;
        t[static_cast<std::size_t>(row + 5)] = kImmZ;
    }
    for (int op : {0x06, 0x07, 0x0E, 0x16, 0x17, 0x1E, 0x1F, 0x27, 0x2F, 0x37, 0x3F}) {
        t[static_cast<std::size_t>(op)] = kInvalid;
    }
    Fill(t, 0x60, 0x62, kInvalid);  // 62 is the EVEX escape
    t[0x63] = kModRM;
    t[0x68] = kImmZ;
    t[0x69] = kModRM | kImmZ;
    t[0x6A] = kImm8;
    t[0x6B] = kModRM | kImm8;
    Fill(t, 0x70, 0x7F, kRel8);
    t[0x80] = kModRM | kImm8;
    t[0x81] = kModRM | kImmZ;
    t[0x82] = kInvalid;
    t[0x83] = kModRM | kImm8;
    Fill(t, 0x84, 0x8E, kModRM);
    t[0x8F] = kModRM | kGroup;  // POP r/m; other reg values are XOP
    t[0x9A] = kInvalid;
    Fill(t, 0xA0, 0xA3, kMoffs);
    t[0xA8] = kImm8;
    t[0xA9] = kImmZ;
    Fill(t, 0xB0, 0xB7, kImm8);
    Fill(t, 0xB8, 0xBF, kImmV);
    t[0xC0] = kModRM | kImm8;
    t[0xC1] = kModRM | kImm8;
    t[0xC2] = kImm16 | kEnds;
    t[0xC3] = kEnds;
    Fill(t, 0xC4, 0xC5, kInvalid);  // VEX
    t[0xC6] = kModRM | kImm8 | kGroup;
    t[0xC7] = kModRM | kImmZ | kGroup;
    t[0xC8] = kImm16 | kImm8;
    t[0xCA] = kImm16 | kEnds;
    t[0xCB] = kEnds;
    t[0xCC] = kEnds;
    t[0xCD] = kImm8;
    t[0xCE] = kInvalid;
    t[0xCF] = kEnds;
    Fill(t, 0xD0, 0xD3, kModRM);
    Fill(t, 0xD4, 0xD6, kInvalid);
    Fill(t, 0xD8, 0xDF, kModRM);  // x87
    Fill(t, 0xE0, 0xE3, kRel8);
    Fill(t, 0xE4, 0xE7, kImm8);
    t[0xE8] = kRel32;
    t[0xE9] = kRel32 | kEnds;
    t[0xEA] = kInvalid;
    t[0xEB] = kRel8 | kEnds;
    t[0xF4] = kEnds;
    t[0xF6] = kModRM | kImm8 | kGroup;
    t[0xF7] = kModRM | kImmZ | kGroup;
    t[0xFE] = kModRM | kGroup;
    t[0xFF] = kModRM | kGroup;
    return t;
}

constexpr Table BuildTwoByteMap() {
    Table t{};
    Fill(t, 0x00, 0x03, kModRM);
    t[0x04] = kInvalid;
    t[0x0A] = kInvalid;
    t[0x0B] = kEnds;  // UD2
    t[0x0C] = kInvalid;
    t[0x0D] = kModRM;
    t[0x0F] = kInvalid;  // 3DNow!
    Fill(t, 0x10, 0x23, kModRM);
    Fill(t, 0x24, 0x27, kInvalid);
    Fill(t, 0x28, 0x2F, kModRM);
    t[0x36] = kInvalid;
    Fill(t, 0x38, 0x3F, kInvalid);  // 38 and 3A are escapes, handled before the table
    Fill(t, 0x40, 0x6F, kModRM);
    Fill(t, 0x70, 0x73, kModRM | kImm8);
    Fill(t, 0x74, 0x76, kModRM);
    Fill(t, 0x78, 0x79, kModRM);
    Fill(t, 0x7A, 0x7B, kInvalid);
    Fill(t, 0x7C, 0x7F, kModRM);
    Fill(t, 0x80, 0x8F, kRel32);
    Fill(t, 0x90, 0x9F, kModRM);
    t[0xA3] = kModRM;
    t[0xA4] = kModRM | kImm8;
    t[0xA5] = kModRM;
    Fill(t, 0xA6, 0xA7, kInvalid);
    t[0xAB] = kModRM;
    t[0xAC] = kModRM | kImm8;
    Fill(t, 0xAD, 0xB9, kModRM);
    t[0xBA] = kModRM | kImm8;
    Fill(t, 0xBB, 0xC1, kModRM);
    t[0xC2] = kModRM | kImm8;
    t[0xC3] = kModRM;
    Fill(t, 0xC4, 0xC6, kModRM | kImm8);
    t[0xC7] = kModRM;
    Fill(t, 0xD0, 0xFF, kModRM);
    return t;
}

constexpr Table kOneByteMap = BuildOneByteMap();
constexpr Table kTwoByteMap = BuildTwoByteMap();

struct Prefixes {
    std::size_t length = 0;
    bool operandSize16 = false;  // 66
    bool addressSize32 = false;  // 67
    std::uint8_t rex = 0;
};

bool IsLegacyPrefix(std::uint8_t b) {
    switch (b) {
        case 0x26:
        case 0x2E:
        case 0x36:
        case 0x3E:
        case 0x64:
        case 0x65:
        case 0x66:
        case 0x67:
        case 0xF0:
        case 0xF2:
        case 0xF3:
            return true;
        default:
            return false;
    }
}

Prefixes ReadPrefixes(std::span<const std::uint8_t> code) {
    Prefixes p;
    while (p.length < code.size() && p.length < kMaxInstructionLength) {
        const std::uint8_t b = code[p.length];
        if (IsLegacyPrefix(b)) {
            p.operandSize16 |= b == 0x66;
            p.addressSize32 |= b == 0x67;
            p.rex = 0;  // a REX prefix counts only right before the opcode
        } else if ((b & 0xF0) == 0x40) {
            p.rex = b;
        } else {
            break;
        }
        ++p.length;
    }
    return p;
}

// Checks the opcodes whose meaning depends on ModRM.reg; returns the shape
// with the immediate dropped where the form has none, or kInvalid.
std::uint16_t ApplyGroup(std::uint8_t opcode, std::uint8_t modrm, std::uint16_t shape,
                         Instruction& out) {
    const int reg = (modrm >> 3) & 7;
    switch (opcode) {
        case 0x8F:
        case 0xC6:
        case 0xC7:  // C6/C7 /7 are XABORT/XBEGIN, the latter relative
            return reg == 0 ? shape : std::uint16_t{kInvalid};
        case 0xF6:
        case 0xF7:  // only TEST (/0, /1) carries an immediate
            return reg <= 1 ? shape : static_cast<std::uint16_t>(shape & ~(kImm8 | kImmZ));
        case 0xFE:
            return reg <= 1 ? shape : std::uint16_t{kInvalid};
        case 0xFF:
            if (reg == 7) return kInvalid;
            if (reg == 4 || reg == 5) out.endsFlow = true;  // indirect JMP
            return shape;
        default:
            return shape;
    }
}

}  // namespace

std::optional<Instruction> DecodeInstruction(std::span<const std::uint8_t> code) {
    if (code.size() > kMaxInstructionLength) code = code.first(kMaxInstructionLength);
    const Prefixes prefixes = ReadPrefixes(code);
    std::size_t at = prefixes.length;
    if (at >= code.size()) return std::nullopt;

    Instruction out;
    out.prefixLength = at;
    std::uint8_t opcode = code[at++];
    std::uint16_t shape = 0;
    bool twoByte = false;
    if (opcode == 0x0F) {
        if (at >= code.size()) return std::nullopt;
        opcode = code[at++];
        twoByte = true;
        if (opcode == 0x38 || opcode == 0x3A) {
            if (at >= code.size()) return std::nullopt;
            ++at;  // the third opcode byte; every form takes ModRM
            shape = opcode == 0x3A ? (kModRM | kImm8) : kModRM;
        } else {
            shape = kTwoByteMap[opcode];
        }
    } else {
        shape = kOneByteMap[opcode];
    }
    if (shape & kInvalid) return std::nullopt;

    if (shape & kModRM) {
        if (at >= code.size()) return std::nullopt;
        const std::uint8_t modrm = code[at++];
        if (!twoByte) {
            shape = ApplyGroup(opcode, modrm, shape, out);
            if (shape & kInvalid) return std::nullopt;
        }
        const int mod = modrm >> 6;
        const int rm = modrm & 7;
        if (mod != 3) {
            std::size_t displacement = mod == 1 ? 1 : mod == 2 ? 4 : 0;
            if (rm == 4) {
                if (at >= code.size()) return std::nullopt;
                const std::uint8_t sib = code[at++];
                if (mod == 0 && (sib & 7) == 5) displacement = 4;
            } else if (mod == 0 && rm == 5) {
                out.ripDisplacement = at;
                displacement = 4;
            }
            at += displacement;
        }
    }

    const bool rexW = (prefixes.rex & 0x08) != 0;
    const bool size16 = prefixes.operandSize16 && !rexW;
    if (shape & (kRel8 | kRel32)) {
        // A 66 prefix makes some processors use a 16-bit branch target.
        if (prefixes.operandSize16) return std::nullopt;
        out.branchOperand = at;
        out.branchWidth = (shape & kRel8) ? 1 : 4;
        if (twoByte || (opcode >= 0x70 && opcode <= 0x7F)) {
            out.branch = BranchKind::Conditional;
            out.condition = opcode & 0x0F;
        } else if (opcode == 0xE8) {
            out.branch = BranchKind::Call;
        } else if (opcode == 0xE9 || opcode == 0xEB) {
            out.branch = BranchKind::Jump;
        } else {
            out.branch = BranchKind::Loop;
        }
        at += out.branchWidth;
    }
    if (shape & kImm8) at += 1;
    if (shape & kImm16) at += 2;
    if (shape & kImmZ) at += size16 ? 2 : 4;
    if (shape & kImmV) at += rexW ? 8 : size16 ? 2 : 4;
    if (shape & kMoffs) at += prefixes.addressSize32 ? 4 : 8;
    out.endsFlow = out.endsFlow || (shape & kEnds) != 0;

    if (at > code.size() || at > kMaxInstructionLength) return std::nullopt;
    out.length = at;
    return out;
}

}  // namespace xl::crash
