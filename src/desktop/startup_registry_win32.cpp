// The Run key and the Startup folder through the wide calls. Names and paths
// are GBK in the program and UTF-16 here, converted through code page 936
// whatever the system's ANSI code page, so a Chinese path reads right on any
// Windows.
#include <shlobj.h>
#include <windows.h>

#include <climits>
#include <memory>

#include "desktop/run_at_boot.h"

namespace xl::desktop {

namespace {

constexpr UINT kGbk = 936;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// GetModuleFileNameW's buffer grows up to the longest path the system has.
constexpr DWORD kLongestPath = 32768;

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Empty for empty or ill-formed GBK.
std::wstring GbkToWide(const std::string& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n) != n) {
        return {};
    }
    return wide;
}

// Empty when a character has no GBK form: a path with a stand-in character
// would name another file.
std::string WideToGbk(const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0,
                                      nullptr, &lossy);
    if (n <= 0 || lossy) return {};
    std::string gbk(static_cast<std::size_t>(n), '\0');
    if (WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, text.data(), size, gbk.data(), n, nullptr,
                            &lossy) != n ||
        lossy) {
        return {};
    }
    return gbk;
}

UniqueKey OpenRunKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return UniqueKey(key);
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
        return programPath_.empty() ? WideToGbk(ModulePath()) : programPath_;
    }

    bool FileExists(const std::string& path) override {
        const std::wstring wide = GbkToWide(path);
        if (wide.empty()) return false;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool SetRunValue(const std::string& name, const std::string& data) override {
        const std::wstring wideName = GbkToWide(name);
        const std::wstring wideData = GbkToWide(data);
        if (wideName.empty() || wideData.empty()) return false;
        const UniqueKey key = OpenRunKey();
        if (!key) return false;
        // REG_SZ counts its terminator.
        const auto bytes = static_cast<DWORD>((wideData.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key.get(), wideName.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wideData.c_str()),
                              bytes) == ERROR_SUCCESS;
    }

    bool DeleteRunValue(const std::string& name) override {
        const std::wstring wideName = GbkToWide(name);
        if (wideName.empty()) return false;
        const UniqueKey key = OpenRunKey();
        return key && RegDeleteValueW(key.get(), wideName.c_str()) == ERROR_SUCCESS;
    }

    bool DeleteStartupShortcut(const std::string& fileName) override {
        const std::wstring wideName = GbkToWide(fileName);
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
