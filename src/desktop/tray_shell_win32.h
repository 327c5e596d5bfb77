#pragma once
// The program's notification record (GBK texts, the ANSI layout the tray's
// logic keeps) as the wide record the Windows shell is given, so the tip reads
// the same on every system code page. Windows build only.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include "desktop/tray_shell.h"

namespace xl::desktop {

// Its size field is the wide version-2 size; every text is converted through
// code page 936 and cut to its field, which always keeps a terminator.
NOTIFYICONDATAW ToWideRecord(const NotifyIconRecord& record);

}  // namespace xl::desktop
