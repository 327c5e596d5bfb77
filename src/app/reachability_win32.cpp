// WinINet's connected-state query and a reload-always page fetch.
#include <windows.h>
#include <wininet.h>

#include "app/program_options.h"
#include "app/reachability.h"

namespace xl::app {

bool CheckInternetReachable(const std::string& probeUrl) {
    DWORD flags = 0;
    if (!IsLoopbackUrl(probeUrl) && !InternetGetConnectedState(&flags, 0)) return false;
    HINTERNET session = InternetOpenA("test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) return false;
    HINTERNET page =
        InternetOpenUrlA(session, probeUrl.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    const bool opened = page != nullptr;
    if (page != nullptr) InternetCloseHandle(page);
    InternetCloseHandle(session);
    return opened;
}

}  // namespace xl::app
