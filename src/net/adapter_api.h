#pragma once
// The port to the platform's adapter tables. Each implementation fetches a
// table whole (size probe, then one fetch) and hands back plain records with
// the platform's raw values; joining, formatting and the rules about missing
// data live in adapters.cpp, so they can be tested against a fake table.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace xl::net {

// One adapter record as the platform chains it; texts already cut at their NUL.
struct RawAdapter {
    std::string adapterName;
    std::string description;
    std::uint32_t type = 0;
    std::uint32_t addressLength = 0;  // as reported; may exceed the 8 bytes of `address`
    std::array<std::uint8_t, 8> address{};
    std::uint32_t index = 0;
    std::uint32_t dhcpEnabled = 0;
    std::string ipAddress;  // first entry of the address list
    std::string ipMask;
    std::string gateway;  // first entry of the gateway list
};

// One row of the interface table, its texts converted to GBK.
struct RawInterfaceName {
    std::int32_t index = 0;
    std::string deviceName;
    std::string friendlyName;  // empty when the platform has no name for it
};

class AdapterApi {
  public:
    virtual ~AdapterApi() = default;
    // In chain order; empty when the table could not be read.
    virtual std::vector<RawAdapter> ReadAdapterChain() = 0;
    // Empty when the table could not be read.
    virtual std::vector<RawInterfaceName> ReadInterfaceTable() = 0;
    // The adapter's DNS server list, in order; nullopt when it could not be read.
    virtual std::optional<std::vector<std::string>> ReadDnsServerList(std::int32_t index) = 0;
};

// iphlpapi and the router configuration on Windows, the kernel on Linux.
std::unique_ptr<AdapterApi> MakePlatformAdapterApi();

}  // namespace xl::net
