// UnescapeUnicode on arbitrary bytes: truncated escapes, lone backslashes and percents, broken GBK.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "api/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string out = xl::api::UnescapeUnicode(input);
    // Decoding never lengthens a text by more than the apostrophe and line-break stand-ins allow.
    if (out.size() > 2 * input.size() + 2) __builtin_trap();
    return 0;
}
