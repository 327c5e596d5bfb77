// A login reply's texts on their way into the log: the input is an account,
// a NUL, then the reply body. Whatever the service writes, the log line holds
// no control byte (so it can never start a line of its own; a GBK trail byte
// is never one) and stays under the message limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "api/log.h"
#include "api/login.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace xl::api;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view account = input.substr(0, split);
    const std::string_view body = split == std::string_view::npos ? "" : input.substr(split + 1);

    LoginOutcome outcome;
    outcome.reply = ReadLoginReply(body);
    const std::string line = OneLogLine(LoginLogLine(account, outcome));
    Check(line.size() <= kLogMessageLimit);
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        Check(byte >= 0x20 && byte != 0x7F);
    }
    return 0;
}
