// WinINet's connected-state query and a reload-always page fetch, through the
// wide calls: the probe address is converted from GBK at this edge.
#include <windows.h>
#include <wininet.h>

#include "app/program_options.h"
#include "app/reachability.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::app {
namespace {

using WinInetHandle = win32::Unique<win32::ClosedWith<HINTERNET, &InternetCloseHandle>>;

}  // namespace

bool CheckInternetReachable(const std::string& probeUrl) {
    DWORD flags = 0;
    if (!IsLoopbackUrl(probeUrl) && !InternetGetConnectedState(&flags, 0)) return false;
    const WinInetHandle session(
        InternetOpenW(L"test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    const WinInetHandle page(InternetOpenUrlW(session.get(), win32::Widen(probeUrl).c_str(),
                                              nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    return static_cast<bool>(page);
}

}  // namespace xl::app
