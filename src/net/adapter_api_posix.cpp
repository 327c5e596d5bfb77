// The Linux stand-in for the adapter tables: interfaces from the kernel, the
// interface name doubling as the connection name, DNS from the resolver's
// configuration. Interfaces are listed by interface index, the kernel's
// creation order, so repeated listings agree.
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "net/adapter_api.h"
#include "net/kernel_tables.h"

namespace xl::net {

namespace {

constexpr const char* kSysClassNet = "/sys/class/net/";
constexpr const char* kProcNetRoute = "/proc/net/route";
constexpr const char* kResolvConf = "/etc/resolv.conf";
constexpr const char* kDevicePrefix = "\\DEVICE\\TCPIP_";

struct Link {
    std::uint32_t index = 0;
    std::string name;
};

// What getifaddrs tells about one interface name.
struct LinkAddresses {
    std::uint32_t hardwareLength = 0;
    std::array<std::uint8_t, 8> hardware{};
    std::string ipv4;
    std::string mask;
};

// Braces make the name look like the GUID it stands for, and keep the GUID
// cut-off of the interface table from splitting a name that holds a "{".
std::string AdapterNameFor(const std::string& name) {
    return "{" + name + "}";
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<Link> ListLinks() {
    std::vector<Link> links;
    if (struct if_nameindex* all = if_nameindex()) {
        for (auto* it = all; it->if_index != 0 && it->if_name != nullptr; ++it) {
            links.push_back({it->if_index, it->if_name});
        }
        if_freenameindex(all);
    }
    std::sort(links.begin(), links.end(),
              [](const Link& a, const Link& b) { return a.index < b.index; });
    return links;
}

std::string Dotted(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) return {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    const auto* b = reinterpret_cast<const unsigned char*>(&in->sin_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

std::map<std::string, LinkAddresses> ReadLinkAddresses() {
    std::map<std::string, LinkAddresses> links;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return links;
    for (const ifaddrs* it = all; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_name == nullptr) continue;
        auto& link = links[it->ifa_name];
        if (it->ifa_addr->sa_family == AF_PACKET) {
            const auto* ll = reinterpret_cast<const sockaddr_ll*>(it->ifa_addr);
            link.hardwareLength = ll->sll_halen;
            std::memcpy(link.hardware.data(), ll->sll_addr,
                        std::min(sizeof ll->sll_addr, link.hardware.size()));
        } else if (it->ifa_addr->sa_family == AF_INET && link.ipv4.empty()) {
            link.ipv4 = Dotted(it->ifa_addr);
            link.mask = Dotted(it->ifa_netmask);
        }
    }
    freeifaddrs(all);
    return links;
}

int ReadHardwareType(const std::string& dir) {
    try {
        return std::stoi(ReadFile(dir + "type"));
    } catch (const std::exception&) {
        return 0;  // unreadable: counts as "other"
    }
}

std::string DriverName(const std::string& dir, const std::string& fallback) {
    std::error_code error;
    const auto driver = std::filesystem::read_symlink(dir + "device/driver", error);
    return error ? fallback : driver.filename().string();
}

bool IsWireless(const std::string& dir) {
    std::error_code error;
    return std::filesystem::exists(dir + "wireless", error) ||
           std::filesystem::exists(dir + "phy80211", error);
}

class PosixAdapterApi final : public AdapterApi {
  public:
    std::vector<RawAdapter> ReadAdapterChain() override {
        const auto addresses = ReadLinkAddresses();
        const auto gateways = DefaultGateways(ReadFile(kProcNetRoute));
        std::vector<RawAdapter> chain;
        for (const auto& link : ListLinks()) {
            const std::string dir = kSysClassNet + link.name + "/";
            RawAdapter raw;
            raw.adapterName = AdapterNameFor(link.name);
            raw.description = DriverName(dir, link.name);
            raw.type = AdapterTypeCodeFromKernel(ReadHardwareType(dir), IsWireless(dir));
            raw.index = link.index;
            if (auto it = addresses.find(link.name); it != addresses.end()) {
                raw.addressLength = it->second.hardwareLength;
                raw.address = it->second.hardware;
                raw.ipAddress = it->second.ipv4;
                raw.ipMask = it->second.mask;
            }
            if (auto it = gateways.find(link.name); it != gateways.end()) raw.gateway = it->second;
            chain.push_back(std::move(raw));
        }
        return chain;
    }

    std::vector<RawInterfaceName> ReadInterfaceTable() override {
        std::vector<RawInterfaceName> table;
        for (const auto& link : ListLinks()) {
            table.push_back({static_cast<std::int32_t>(link.index),
                             kDevicePrefix + AdapterNameFor(link.name), link.name});
        }
        return table;
    }

    std::optional<std::vector<std::string>> ReadDnsServerList(std::int32_t index) override {
        char name[IF_NAMESIZE] = {};
        if (index <= 0 || if_indextoname(static_cast<unsigned>(index), name) == nullptr) {
            return std::nullopt;
        }
        // One resolver configuration serves every interface.
        return ResolverNameservers(ReadFile(kResolvConf));
    }
};

}  // namespace

std::unique_ptr<AdapterApi> MakePlatformAdapterApi() {
    return std::make_unique<PosixAdapterApi>();
}

}  // namespace xl::net
