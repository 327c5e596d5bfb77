#include "net/kernel_tables.h"

#include <array>
#include <charconv>
#include <cstring>

namespace xl::net {

namespace {

constexpr unsigned kRouteUp = 0x1;       // RTF_UP
constexpr unsigned kRouteGateway = 0x2;  // RTF_GATEWAY
constexpr int kHardwareEther = 1;        // ARPHRD_ETHER
constexpr int kHardwarePpp = 512;        // ARPHRD_PPP
constexpr int kHardwareLoopback = 772;   // ARPHRD_LOOPBACK
constexpr std::uint32_t kTypeOther = 1;
constexpr std::uint32_t kTypeEthernet = 6;
constexpr std::uint32_t kTypePpp = 23;
constexpr std::uint32_t kTypeLoopback = 24;
constexpr std::uint32_t kTypeWireless = 71;

bool ParseHex(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 8) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc{} && end == text.data() + text.size();
}

// The kernel prints a network-order address as a host-order number: its bytes
// in memory are the address's bytes.
std::string DottedFromKernelHex(std::uint32_t value) {
    std::array<unsigned char, 4> bytes{};
    std::memcpy(bytes.data(), &value, bytes.size());
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const auto start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) break;
        auto end = line.find_first_of(" \t\r", start);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(line.substr(start, end - start));
        at = end;
    }
    return fields;
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        visit(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

std::map<std::string, std::string> DefaultGateways(std::string_view procNetRoute) {
    // Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    std::map<std::string, std::string> gateways;
    ForEachLine(procNetRoute, [&](std::string_view line) {
        const auto fields = Fields(line);
        if (fields.size() < 8) return;
        std::uint32_t destination = 0, gateway = 0, flags = 0, mask = 0;
        if (!ParseHex(fields[1], destination) || !ParseHex(fields[2], gateway) ||
            !ParseHex(fields[3], flags) || !ParseHex(fields[7], mask)) {
            return;  // the header line, or a malformed row
        }
        const bool isDefault = destination == 0 && mask == 0;
        const bool usable = (flags & kRouteUp) && (flags & kRouteGateway);
        if (isDefault && usable) gateways.emplace(fields[0], DottedFromKernelHex(gateway));
    });
    return gateways;
}

std::vector<std::string> ResolverNameservers(std::string_view resolvConf) {
    std::vector<std::string> servers;
    ForEachLine(resolvConf, [&](std::string_view line) {
        const auto fields = Fields(line);
        if (fields.size() < 2 || fields[0] != "nameserver") return;
        if (IsDottedIpv4(fields[1])) servers.emplace_back(fields[1]);
    });
    return servers;
}

std::uint32_t AdapterTypeCodeFromKernel(int hardwareType, bool wireless) {
    switch (hardwareType) {
        case kHardwareEther:
            return wireless ? kTypeWireless : kTypeEthernet;
        case kHardwarePpp:
            return kTypePpp;
        case kHardwareLoopback:
            return kTypeLoopback;
        default:
            return kTypeOther;
    }
}

bool IsDottedIpv4(std::string_view text) {
    int parts = 0;
    while (true) {
        const auto dot = text.find('.');
        const auto part = text.substr(0, dot);
        if (part.empty() || part.size() > 3) return false;
        unsigned value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (error != std::errc{} || end != part.data() + part.size() || value > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    return parts == 4;
}

}  // namespace xl::net
