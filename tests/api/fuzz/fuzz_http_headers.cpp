// NormaliseHeaderBlock and the header-line helpers on arbitrary header blocks:
// the result has no line break at either end and keeps exactly the lines that
// have a ':'. Bytes that are not GBK may pair with a line break differently
// once lines are rejoined, so the shape is checked on ASCII blocks only.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "api/http_text.h"
#include "api/text.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace xl::api;
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    const std::string normalised = NormaliseHeaderBlock(block);
    EncodeQueryValue(block);
    for (const std::string& line : TextSplit(normalised, "\r\n")) {
        HeaderLineName(line);
        HeaderLineValue(line);
    }
    for (char c : block) {
        if (static_cast<unsigned char>(c) >= 0x80) return 0;
    }
    Check(!normalised.starts_with("\r\n"));
    Check(!normalised.ends_with("\r\n"));
    std::size_t withColon = 0;
    for (const std::string& line : TextSplit(block, "\r\n")) withColon += TextFind(line, ":") > 0;
    std::size_t kept = 0;
    for (const std::string& line : TextSplit(normalised, "\r\n")) {
        Check(TextFind(line, ":") > 0);
        ++kept;
    }
    Check(kept == withColon);
    return 0;
}
