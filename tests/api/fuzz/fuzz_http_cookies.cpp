// MergeCookies on arbitrary cookie texts (the first line is the old cookies,
// the rest the received ones) and the Set-Cookie collection on arbitrary reply
// headers: the merge is stored back, drops deleted items and repeats nothing.
#include <cstddef>
#include <cstdint>
#include <set>
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
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    std::string old(input.substr(0, newline));
    const std::string_view received =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    CollectReceivedCookies(input);
    const std::string merged = MergeCookies(old, received);
    Check(merged == old);
    std::set<std::string> seen;
    for (const std::string& item : TextSplit(merged, "; ")) {
        Check(!item.ends_with("=deleted"));
        Check(seen.insert(item).second);
    }
    return 0;
}
