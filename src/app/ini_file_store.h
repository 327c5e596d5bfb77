#pragma once
// Our own INI store: each write reads the file whole, edits it as the
// private-profile functions edit one (ini_document.h) and writes it whole
// through a new file and a move, the bytes kept as they are (GBK). The Linux
// build uses it always; the Windows build wherever the system's functions
// would pass the texts through a code page other than 936. User-interface
// thread only.
#include <memory>
#include <string>

#include "app/settings_store.h"

namespace xl::app {

std::unique_ptr<SettingsStore> MakeIniFileStore(std::string path, SettingsLog log = {});

}  // namespace xl::app
