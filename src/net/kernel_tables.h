#pragma once
// Readers for the Linux kernel's and resolver's text tables, which stand in
// for the Windows adapter tables in the POSIX build.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace xl::net {

// Interface name to the dotted gateway of its first default route, from the
// text of /proc/net/route (addresses in the kernel's host-order hex).
std::map<std::string, std::string> DefaultGateways(std::string_view procNetRoute);

// The IPv4 "nameserver" addresses of a resolver configuration, in order; the
// adapter tables hold dotted IPv4 texts only.
std::vector<std::string> ResolverNameservers(std::string_view resolvConf);

// A type code the adapter type names know, from the kernel's hardware type
// (ARPHRD_*) and whether the interface is wireless.
std::uint32_t AdapterTypeCodeFromKernel(int hardwareType, bool wireless);

bool IsDottedIpv4(std::string_view text);

}  // namespace xl::net
