// The exit-IP page read by its markers, on arbitrary reply bodies: the address
// never holds its own end marker, and the location keeps no "-".
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "api/exit_ip.h"
#include "api/text.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const xl::api::ExitIpPage page = xl::api::ReadExitIpPage(body);
    Check(xl::api::TextFind(page.ip, "</ip>") == -1);
    Check(xl::api::TextFind(page.location, "</pos>") == -1);
    Check(xl::api::TextFind(page.location, "-") == -1);
    return 0;
}
