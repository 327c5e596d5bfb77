#pragma once
// The records this subsystem hands out: one local adapter with its addresses,
// and one row of the table that joins an interface's GUID to the name the
// network-connections folder shows. Only `connectionName` leaves the subsystem.
#include <cstdint>
#include <string>

namespace xl::net {

struct AdapterInfo {
    std::string adapterName;     // GUID in braces
    std::string description;     // driver's description
    std::string connectionName;  // GBK; empty when no interface name matched
    std::int32_t typeCode = 0;
    std::string typeName;
    std::string macAddress;  // "00-1A-2B-3C-4D-5E"; empty when the address length is 0
    std::string ipAddress;
    std::string subnetMask;
    std::string gateway;
    std::string primaryDns;
    std::string secondaryDns;
    bool dhcpEnabled = false;

    bool operator==(const AdapterInfo&) const = default;
};

struct InterfaceNameEntry {
    std::int32_t index = 0;
    std::string deviceName;    // device path ending in the GUID, GBK
    std::string friendlyName;  // GBK; empty when the look-up failed
    std::string guid;          // deviceName from its first "{"; deviceName when it has none

    bool operator==(const InterfaceNameEntry&) const = default;
};

}  // namespace xl::net
