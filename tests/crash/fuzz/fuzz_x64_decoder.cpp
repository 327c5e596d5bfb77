// Any bytes: the decoder and trampoline builder must never read past what
// they are given, and a trampoline must cover the bytes it claims to replace.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "crash/trampoline.h"
#include "crash/x64_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> code(data, size);
    if (const auto insn = xl::crash::DecodeInstruction(code)) {
        if (insn->length == 0 || insn->length > size || insn->length > 15) std::abort();
        if (insn->ripDisplacement && *insn->ripDisplacement + 4 > insn->length) std::abort();
    }
    const auto t = xl::crash::BuildTrampoline(code, 0x7FFB'0000'1000, 0x7FFA'F000'0000);
    if (t && (t->copied < xl::crash::kRelativeJumpSize || t->copied > size)) std::abort();
    return 0;
}
