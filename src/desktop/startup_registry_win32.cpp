// The Run key and the Startup folder through the wide calls. Names and paths
// are GBK in the program and UTF-16 here, converted through code page 936
// whatever the system's ANSI code page, so a Chinese path reads right on any
// Windows.
#include <shlobj.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "desktop/run_at_boot.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::desktop {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The setup's entry in the list of installed programs, and the name it gives
// the program's file in the install location it records there.
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\XiulanIP";
constexpr wchar_t kInstallLocation[] = L"InstallLocation";
constexpr wchar_t kInstalledFileName[] = L"XiulanIP.exe";
// GetModuleFileNameW's buffer grows up to the longest path the system has.
constexpr DWORD kLongestPath = 32768;

HKEY RootOf(RunKey key) {
    return key == RunKey::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The key opened for `access`, or the system's error code.
long OpenKey(HKEY root, const wchar_t* path, REGSAM access, win32::RegistryKey& key) {
    const LONG error = RegOpenKeyExW(root, path, 0, access, key.put());
    if (error != ERROR_SUCCESS) key.release();
    return error;
}

// A text value, or nothing when it is missing, not text or not readable.
std::optional<std::wstring> ReadText(HKEY root, const wchar_t* path, const wchar_t* name) {
    win32::RegistryKey key;
    if (OpenKey(root, path, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The stored text need not end with its terminator.
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// Empty when a character has no GBK form: a path with a stand-in character
// would name another file.
std::string ExactGbk(const std::wstring& text) {
    return win32::FitsGbk(text) ? win32::Narrow(text) : std::string();
}

std::wstring ModulePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        // A full buffer means the path was cut.
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        if (buffer.size() >= kLongestPath) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring InstalledPath() {
    std::optional<std::wstring> folder =
        ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, kInstallLocation);
    if (!folder || folder->empty()) return {};
    if (folder->back() != L'\\') *folder += L'\\';
    return *folder + kInstalledFileName;
}

class Win32StartupRegistry final : public StartupRegistry {
  public:
    explicit Win32StartupRegistry(StartupPaths paths) : paths_(std::move(paths)) {}

    std::string ProgramPath() override {
        return paths_.program.empty() ? ExactGbk(ModulePath()) : paths_.program;
    }

    std::string InstalledProgramPath() override {
        return paths_.installed.empty() ? ExactGbk(InstalledPath()) : paths_.installed;
    }

    bool FileExists(const std::string& path) override {
        const std::wstring wide = win32::Widen(path);
        if (wide.empty()) return false;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    long SetRunValue(RunKey which, const std::string& name, const std::string& data) override {
        const std::wstring wideName = win32::Widen(name);
        const std::wstring wideData = win32::Widen(data);
        if (wideName.empty() || wideData.empty()) return ERROR_INVALID_PARAMETER;
        win32::RegistryKey key;
        if (const long error = OpenKey(RootOf(which), kRunKey, KEY_SET_VALUE, key)) return error;
        // REG_SZ counts its terminator.
        const auto bytes = static_cast<DWORD>((wideData.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key.get(), wideName.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wideData.c_str()), bytes);
    }

    std::optional<std::string> RunValue(RunKey which, const std::string& name) override {
        const std::wstring wideName = win32::Widen(name);
        if (wideName.empty()) return std::nullopt;
        const std::optional<std::wstring> data = ReadText(RootOf(which), kRunKey, wideName.c_str());
        if (!data) return std::nullopt;
        return win32::Narrow(*data);
    }

    long DeleteRunValue(RunKey which, const std::string& name) override {
        const std::wstring wideName = win32::Widen(name);
        if (wideName.empty()) return ERROR_INVALID_PARAMETER;
        win32::RegistryKey key;
        if (const long error = OpenKey(RootOf(which), kRunKey, KEY_SET_VALUE, key)) return error;
        return RegDeleteValueW(key.get(), wideName.c_str());
    }

    bool DeleteStartupShortcut(const std::string& fileName) override {
        const std::wstring wideName = win32::Widen(fileName);
        if (wideName.empty()) return false;
        wchar_t folder[MAX_PATH + 1] = {};
        if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_STARTUP, FALSE)) return false;
        const std::wstring path = std::wstring(folder) + L"\\" + wideName;
        if (!DeleteFileW(path.c_str())) return false;
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, path.c_str(), nullptr);
        return true;
    }

  private:
    StartupPaths paths_;
};

}  // namespace

std::unique_ptr<StartupRegistry> MakePlatformStartupRegistry(StartupPaths paths) {
    return std::make_unique<Win32StartupRegistry>(std::move(paths));
}

}  // namespace xl::desktop
