#pragma once
// Lists the machine's adapters, each joined with its connection name, so the
// user can pick the adapter to disable by the name Windows shows for it.
// Every failure ends in empty data and is never reported.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "net/adapter_api.h"
#include "net/adapter_info.h"

namespace xl::net {

// Empties `list`, refills it in the platform's chain order, returns its size.
int EnumerateAdapters(AdapterApi& api, std::vector<AdapterInfo>& list);

// Empties `table` and fills it with one entry per interface.
void ReadInterfaceNames(AdapterApi& api, std::vector<InterfaceNameEntry>& table);

// Both outputs are emptied first; true when the adapter's list could be read.
bool ReadDnsServers(AdapterApi& api, std::int32_t index, std::string& primary,
                    std::string& secondary);

std::string AdapterTypeName(std::int32_t typeCode);

// Bytes as upper-case hex pairs joined by "-"; at most the first 8 bytes.
std::string FormatMacAddress(std::span<const std::uint8_t> address, std::uint32_t length);

// The device path from its first "{" on; the whole path when it has none.
std::string GuidTail(const std::string& deviceName);

}  // namespace xl::net
