#pragma once
// Our own INI store: the settings file read whole for every item and written
// whole through a temporary file and a rename, edited as the private-profile
// functions edit one (ini_document.h), the bytes kept as they are (GBK). The
// Linux build uses it always; the Windows build wherever the system's
// functions would pass the texts through a code page other than 936. The
// whole-file reads and writes are the platform's. User-interface thread only.
#include <memory>
#include <string>

#include "app/settings_store.h"

namespace xl::app {

// A write that fails is reported to `log` (section and key only).
std::unique_ptr<SettingsStore> MakeIniFileStore(std::string path, SettingsWriteLog log = {});

// The platform's file access for the store, by GBK path. A missing file reads
// as false. A failed replacement leaves the old file as it was and returns the
// system's error number; success returns 0.
bool ReadWholeFile(const std::string& path, std::string& out);
unsigned ReplaceWholeFile(const std::string& path, const std::string& bytes);

}  // namespace xl::app
