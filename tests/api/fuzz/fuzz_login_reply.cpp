// The login reply read by its markers, on arbitrary reply bodies: only a code
// of exactly "100" succeeds, and a success carries no refusal text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "api/login.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const xl::api::LoginReply reply = xl::api::ReadLoginReply(body);
    Check(reply.Succeeded() == (reply.code == "100"));
    if (reply.Succeeded()) Check(reply.errorText.empty());
    if (!reply.Succeeded()) Check(reply.expiry.empty());
    return 0;
}
