#include "net/adapters.h"

#include <algorithm>
#include <cstddef>

namespace xl::net {

namespace {

constexpr std::uint32_t kMaxAddressBytes = 8;

std::string ConnectionNameFor(const std::vector<InterfaceNameEntry>& table,
                              const std::string& adapterName) {
    for (const auto& entry : table) {
        if (entry.guid == adapterName) return entry.friendlyName;
    }
    return {};
}

AdapterInfo BuildAdapterInfo(AdapterApi& api, const RawAdapter& raw,
                             const std::vector<InterfaceNameEntry>& names) {
    AdapterInfo info;
    info.adapterName = raw.adapterName;
    info.description = raw.description;
    info.typeCode = static_cast<std::int32_t>(raw.type);
    info.typeName = AdapterTypeName(info.typeCode);
    info.macAddress = FormatMacAddress(raw.address, raw.addressLength);
    info.ipAddress = raw.ipAddress;
    info.subnetMask = raw.ipMask;
    info.gateway = raw.gateway;
    ReadDnsServers(api, static_cast<std::int32_t>(raw.index), info.primaryDns, info.secondaryDns);
    info.connectionName = ConnectionNameFor(names, raw.adapterName);
    info.dhcpEnabled = raw.dhcpEnabled == 1;
    return info;
}

}  // namespace

int EnumerateAdapters(AdapterApi& api, std::vector<AdapterInfo>& list) {
    list.clear();
    std::vector<InterfaceNameEntry> names;
    ReadInterfaceNames(api, names);
    for (const auto& raw : api.ReadAdapterChain()) {
        list.push_back(BuildAdapterInfo(api, raw, names));
    }
    return static_cast<int>(list.size());
}

void ReadInterfaceNames(AdapterApi& api, std::vector<InterfaceNameEntry>& table) {
    table.clear();
    for (auto& raw : api.ReadInterfaceTable()) {
        InterfaceNameEntry entry;
        entry.index = raw.index;
        entry.guid = GuidTail(raw.deviceName);
        entry.deviceName = std::move(raw.deviceName);
        entry.friendlyName = std::move(raw.friendlyName);
        table.push_back(std::move(entry));
    }
}

bool ReadDnsServers(AdapterApi& api, std::int32_t index, std::string& primary,
                    std::string& secondary) {
    primary.clear();
    secondary.clear();
    auto servers = api.ReadDnsServerList(index);
    if (!servers) return false;
    if (servers->size() > 0) primary = (*servers)[0];
    if (servers->size() > 1) secondary = (*servers)[1];
    return true;
}

std::string AdapterTypeName(std::int32_t typeCode) {
    switch (typeCode) {
        case 1:
            return "OTHER";
        case 6:
            return "ETHERNET";
        case 9:
            return "TOKENRING";
        case 15:
            return "FDDI";
        case 23:
            return "PPP";
        case 24:
            return "LOOPBACK";
        case 28:
            return "SLIP";
        case 71:
            return "IEEE80211";
        default:
            return std::to_string(typeCode);
    }
}

std::string FormatMacAddress(std::span<const std::uint8_t> address, std::uint32_t length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::size_t count = std::min<std::size_t>({length, kMaxAddressBytes, address.size()});
    std::string text;
    for (std::size_t k = 0; k < count; ++k) {
        if (k > 0) text += '-';
        text += kHex[address[k] >> 4];
        text += kHex[address[k] & 0x0F];
    }
    return text;
}

std::string GuidTail(const std::string& deviceName) {
    const auto brace = deviceName.find('{');
    return brace == std::string::npos ? deviceName : deviceName.substr(brace);
}

}  // namespace xl::net
