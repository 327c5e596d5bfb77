// The adapter tables from iphlpapi, with connection names from the router
// configuration. winsock2 first: iphlpapi's headers expect it.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <mprapi.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "net/adapter_api.h"
#include "net/platform_buffers.h"
#include "net/wide_to_gbk.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::net {

namespace {

// MprConfigGetFriendlyName's buffer: 256 bytes offered as 255, so the last
// unit always stays a terminator.
constexpr DWORD kFriendlyNameBytes = 255;
constexpr std::size_t kFriendlyNameUnits = 128;

// A zero-filled buffer of exactly `size` bytes, aligned for the pointer-holding
// records the tables are made of.
class TableBuffer {
  public:
    explicit TableBuffer(ULONG size)
        : words_((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t)), size_(size) {}
    template <typename T>
    T* As() {
        return reinterpret_cast<T*>(words_.data());
    }
    std::span<const std::byte> Bytes() const {
        return {reinterpret_cast<const std::byte*>(words_.data()), size_};
    }

  private:
    std::vector<std::uint64_t> words_;
    ULONG size_;
};

using RouterConfigHandle = win32::Unique<win32::ClosedWith<HANDLE, &MprConfigServerDisconnect>>;

// The router configuration, connected for one table read and released after it.
class RouterConfig {
  public:
    RouterConfig() {
        // Wine answers 50 and leaves the handle null; its friendly-name call is
        // then an unimplemented stub that ends the process, so it must not be reached.
        if (MprConfigServerConnect(nullptr, handle_.put()) != NO_ERROR) handle_.release();
    }

    std::string FriendlyName(const std::u16string& deviceName) const {
        if (!handle_) return {};
        std::u16string guidName = deviceName;  // the call wants a mutable string
        char16_t name[kFriendlyNameUnits] = {};
        MprConfigGetFriendlyName(handle_.get(), reinterpret_cast<PWCHAR>(guidName.data()),
                                 reinterpret_cast<PWCHAR>(name), kFriendlyNameBytes);
        name[kFriendlyNameUnits - 1] = 0;
        return WideToGbk(name);
    }

  private:
    RouterConfigHandle handle_;
};

RawAdapter ToRawAdapter(const IP_ADAPTER_INFO& info) {
    RawAdapter raw;
    raw.adapterName = FixedText(info.AdapterName, sizeof info.AdapterName);
    // The table's only text in the system's ANSI code page (it has no wide form).
    raw.description = win32::AnsiToGbk(FixedText(info.Description, sizeof info.Description));
    raw.type = info.Type;
    raw.addressLength = info.AddressLength;
    std::memcpy(raw.address.data(), info.Address,
                std::min(sizeof info.Address, raw.address.size()));
    raw.index = info.Index;
    raw.dhcpEnabled = info.DhcpEnabled;
    raw.ipAddress =
        FixedText(info.IpAddressList.IpAddress.String, sizeof info.IpAddressList.IpAddress.String);
    raw.ipMask =
        FixedText(info.IpAddressList.IpMask.String, sizeof info.IpAddressList.IpMask.String);
    raw.gateway =
        FixedText(info.GatewayList.IpAddress.String, sizeof info.GatewayList.IpAddress.String);
    return raw;
}

class Win32AdapterApi final : public AdapterApi {
  public:
    std::vector<RawAdapter> ReadAdapterChain() override {
        ULONG size = 0;
        if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return {};
        TableBuffer buffer(size);
        if (GetAdaptersInfo(buffer.As<IP_ADAPTER_INFO>(), &size) != NO_ERROR) return {};
        std::vector<RawAdapter> chain;
        for (const IP_ADAPTER_INFO* info = buffer.As<IP_ADAPTER_INFO>(); info != nullptr;
             info = info->Next) {
            chain.push_back(ToRawAdapter(*info));
        }
        return chain;
    }

    std::vector<RawInterfaceName> ReadInterfaceTable() override {
        RouterConfig router;
        ULONG size = 0;
        if (GetInterfaceInfo(nullptr, &size) != ERROR_INSUFFICIENT_BUFFER) return {};
        const ULONG allocated = size;
        TableBuffer buffer(allocated);
        // A failed second call leaves the zeroed buffer, whose count reads 0.
        GetInterfaceInfo(buffer.As<IP_INTERFACE_INFO>(), &size);
        std::vector<RawInterfaceName> table;
        for (const auto& entry : ParseInterfaceInfo(buffer.Bytes())) {
            RawInterfaceName row;
            row.index = entry.index;
            row.deviceName = WideToGbk(entry.name.c_str());
            row.friendlyName = router.FriendlyName(entry.name);
            table.push_back(std::move(row));
        }
        return table;
    }

    std::optional<std::vector<std::string>> ReadDnsServerList(std::int32_t index) override {
        ULONG size = 0;
        const auto ifIndex = static_cast<ULONG>(index);
        if (GetPerAdapterInfo(ifIndex, nullptr, &size) != ERROR_BUFFER_OVERFLOW) {
            return std::nullopt;
        }
        TableBuffer buffer(size);
        if (GetPerAdapterInfo(ifIndex, buffer.As<IP_PER_ADAPTER_INFO>(), &size) != NO_ERROR) {
            return std::nullopt;
        }
        std::vector<std::string> servers;
        for (const IP_ADDR_STRING* entry = &buffer.As<IP_PER_ADAPTER_INFO>()->DnsServerList;
             entry != nullptr; entry = entry->Next) {
            servers.push_back(FixedText(entry->IpAddress.String, sizeof entry->IpAddress.String));
        }
        return servers;
    }
};

}  // namespace

std::unique_ptr<AdapterApi> MakePlatformAdapterApi() {
    return std::make_unique<Win32AdapterApi>();
}

}  // namespace xl::net
