#pragma once
// An adapter table held in memory, standing in for the platform's.
#include <map>

#include "net/adapter_api.h"

namespace xl::net::test {

class FakeAdapterApi : public AdapterApi {
  public:
    std::vector<RawAdapter> chain;
    std::vector<RawInterfaceName> interfaces;
    std::map<std::int32_t, std::vector<std::string>> dns;  // missing index: the read fails

    std::vector<RawAdapter> ReadAdapterChain() override { return chain; }
    std::vector<RawInterfaceName> ReadInterfaceTable() override { return interfaces; }
    std::optional<std::vector<std::string>> ReadDnsServerList(std::int32_t index) override {
        auto it = dns.find(index);
        if (it == dns.end()) return std::nullopt;
        return it->second;
    }
};

inline RawAdapter MakeRawAdapter(std::string guid, std::uint32_t index) {
    RawAdapter raw;
    raw.adapterName = std::move(guid);
    raw.description = "Intel(R) PRO/1000 MT Network Connection";
    raw.type = 6;
    raw.addressLength = 6;
    raw.address = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    raw.index = index;
    raw.dhcpEnabled = 1;
    raw.ipAddress = "192.168.1.23";
    raw.ipMask = "255.255.255.0";
    raw.gateway = "192.168.1.1";
    return raw;
}

}  // namespace xl::net::test
