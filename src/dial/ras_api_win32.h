#pragma once
// The remote-access port over rasapi32's wide functions (texts converted from
// and to GBK at this edge), and the shell's folders. Only in the
// Windows build.
#include <memory>
#include <string>

#include "dial/ras_api.h"

namespace xl::dial {

std::unique_ptr<RasApi> MakeWin32RasApi();
// SHGetSpecialFolderPathW of a CSIDL_ folder (CSIDL_PERSONAL, CSIDL_PROFILE,
// CSIDL_APPDATA) as GBK; empty when the shell has none.
std::string ShellFolder(int csidl);
// Every connection's end, from RasConnectionNotificationW on an auto-reset
// event that a thread-pool wait watches; the callback runs on a pool thread.
DisconnectionWatchStart WatchRasDisconnections(DisconnectionCallback onDisconnection);

}  // namespace xl::dial
