// The static-IP verdict on arbitrary reply bodies: a success always has "100"
// among its bytes, and a reply that begins with it always succeeds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "api/static_ip.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const bool assigned = xl::api::StaticIpAssigned(reply);
    if (assigned) Check(reply.find("100") != std::string_view::npos);
    if (reply.starts_with("100")) Check(assigned);
    return 0;
}
