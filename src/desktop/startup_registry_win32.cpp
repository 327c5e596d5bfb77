// The Run key and the Startup folder through the wide calls. Names and paths
// are GBK in the program and UTF-16 here, converted through code page 936
// whatever the system's ANSI code page, so a Chinese path reads right on any
// Windows.
#include <shlobj.h>
#include <windows.h>

#include <memory>

#include "desktop/run_at_boot.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::desktop {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// GetModuleFileNameW's buffer grows up to the longest path the system has.
constexpr DWORD kLongestPath = 32768;

win32::RegistryKey OpenRunKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return {};
    }
    return win32::RegistryKey(key);
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

class Win32StartupRegistry final : public StartupRegistry {
  public:
    explicit Win32StartupRegistry(std::string programPath) : programPath_(std::move(programPath)) {}

    std::string ProgramPath() override {
        return programPath_.empty() ? ExactGbk(ModulePath()) : programPath_;
    }

    bool FileExists(const std::string& path) override {
        const std::wstring wide = win32::Widen(path);
        if (wide.empty()) return false;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool SetRunValue(const std::string& name, const std::string& data) override {
        const std::wstring wideName = win32::Widen(name);
        const std::wstring wideData = win32::Widen(data);
        if (wideName.empty() || wideData.empty()) return false;
        const win32::RegistryKey key = OpenRunKey();
        if (!key) return false;
        // REG_SZ counts its terminator.
        const auto bytes = static_cast<DWORD>((wideData.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key.get(), wideName.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wideData.c_str()),
                              bytes) == ERROR_SUCCESS;
    }

    bool DeleteRunValue(const std::string& name) override {
        const std::wstring wideName = win32::Widen(name);
        if (wideName.empty()) return false;
        const win32::RegistryKey key = OpenRunKey();
        return key && RegDeleteValueW(key.get(), wideName.c_str()) == ERROR_SUCCESS;
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
    std::string programPath_;
};

}  // namespace

std::unique_ptr<StartupRegistry> MakePlatformStartupRegistry(std::string programPath) {
    return std::make_unique<Win32StartupRegistry>(std::move(programPath));
}

}  // namespace xl::desktop
