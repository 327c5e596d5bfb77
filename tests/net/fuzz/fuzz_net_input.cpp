// Outside input reaching this subsystem: the connection name from the settings
// file, the platform's interface buffer, and the kernel and resolver texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "net/admin_state.h"
#include "net/kernel_tables.h"
#include "net/platform_buffers.h"

using namespace xl::net;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckCommands(std::string_view name) {
    const bool safe = IsSafeConnectionName(name);
    const auto netsh = NetshAdminCommand(name, false);
    const auto ip = IpLinkAdminCommand(name, true);
    Require(netsh.has_value() == safe && ip.has_value() == safe);
    if (!safe) return;
    // The name sits between the only two quotes of the line, unchanged.
    const std::string& line = netsh->commandLine;
    Require(line ==
            "netsh interface set interface name=\"" + std::string(name) + "\" admin=DISABLED");
    Require(line.find('"') == line.find("name=\"") + 5);
    Require(line.find('"', line.find('"') + 1) == line.size() - 16);
    Require(ip->argv.size() == 6 && ip->argv[4] == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckCommands(text);
    for (const auto& entry : ParseInterfaceInfo(std::as_bytes(std::span(data, size)))) {
        Require(entry.name.size() <= kInterfaceNameUnits);
    }
    for (const auto& [name, gateway] : DefaultGateways(text)) Require(IsDottedIpv4(gateway));
    for (const auto& server : ResolverNameservers(text)) Require(IsDottedIpv4(server));
    return 0;
}
