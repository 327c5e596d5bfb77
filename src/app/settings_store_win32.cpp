// The settings store of the product. The file's name is "岫澜IP.INI" and its
// bytes are GBK on every system. Where the system's ANSI code page is 936 the
// operating system's private-profile functions keep it (their wide forms: the
// texts pass through 936 both ways, so the bytes are what they always were);
// elsewhere those functions would put sections and values through the
// system's code page, so our own INI store keeps the bytes instead.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/ini_file_store.h"
#include "app/settings_file.h"
#include "app/settings_store.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::app {
namespace {

bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// At most `limit` bytes, never ending inside a two-byte character.
std::string CutToBytes(std::string text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t width = IsGbkLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    text.resize(end);
    return text;
}

std::wstring ReadProfileItem(const std::wstring& section, const std::wstring& key,
                             const std::wstring& file) {
    std::vector<wchar_t> buffer(kSettingReadBufferSize, L'\0');
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), file.c_str());
    return std::wstring(buffer.data(), n);
}

class PrivateProfileStore final : public SettingsStore {
  public:
    PrivateProfileStore(const std::string& path, SettingsWriteLog log)
        : path_(win32::Widen(path)), log_(std::move(log)) {}

    std::string Read(std::string_view section, std::string_view key) override {
        // The buffer counts UTF-16 units; the value is cut to the bytes an item holds.
        const std::wstring value = ReadProfileItem(win32::Widen(section), win32::Widen(key), path_);
        return CutToBytes(win32::Narrow(value), kSettingReadBufferSize - 1);
    }

    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        if (!WritePrivateProfileStringW(win32::Widen(section).c_str(), win32::Widen(key).c_str(),
                                        win32::Widen(value).c_str(), path_.c_str()) &&
            log_) {
            log_(SettingsWriteFailureLine(section, key, GetLastError()));
        }
    }

  private:
    std::wstring path_;
    SettingsWriteLog log_;
};

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// An earlier version handed the GBK path and texts to the ANSI functions. On a
// system whose ANSI code page is not 936 its file therefore has the name those
// bytes spell in that code page, and its sections and values went through that
// code page. It is read once, as it was written, into the file of the right
// name while that one does not exist yet; the earlier file stays as it is.
void CarryOverEarlierFile(const std::string& path, SettingsStore& store) {
    const std::wstring current = win32::Widen(path);
    // Split the wide path: a GBK trail byte can look like a backslash.
    const std::size_t slash = current.find_last_of(L'\\');
    const std::size_t nameAt = slash == std::wstring::npos ? 0 : slash + 1;
    const std::wstring earlier =
        current.substr(0, nameAt) + win32::WidenAnsi(win32::Narrow(current.substr(nameAt)));
    if (earlier == current || Exists(current) || !Exists(earlier)) return;
    for (const SettingKey& k : kAllSettingKeys) {
        const std::string value = win32::NarrowAnsi(
            ReadProfileItem(win32::WidenAnsi(k.section), win32::WidenAnsi(k.key), earlier));
        if (!value.empty()) store.Write(k.section, k.key, SettingsFile::Protected(value));
    }
}

// Writes `bytes` to a new file and flushes it; closed again on return.
bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
    const win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t done = 0; done < bytes.size();) {
        const auto chunk = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
        DWORD n = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
        done += n;
    }
    return FlushFileBuffers(file.get()) != FALSE;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& out) {
    const win32::FileHandle file(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
    if (!file) return false;
    char buffer[8192];
    DWORD n = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    return true;
}

unsigned ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    const std::wstring target = win32::Widen(path);
    const std::wstring temp = target + L".tmp";
    if (!WriteNewFile(temp, bytes) ||
        !MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();  // before the clean-up can change it
        DeleteFileW(temp.c_str());
        return error != 0 ? error : ERROR_WRITE_FAULT;
    }
    return 0;
}

std::string TemporaryFilesDirectory() {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n > buffer.size()) {  // a longer path: n is the size it needs
        buffer.assign(n, L'\0');
        n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    buffer.resize(n < buffer.size() ? n : 0);
    std::string dir = win32::PathToGbk(buffer);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsWriteLog log) {
    std::unique_ptr<SettingsStore> store;
    if (GetACP() == win32::kGbkCodePage) {
        store = std::make_unique<PrivateProfileStore>(path, std::move(log));
    } else {
        store = MakeIniFileStore(path, std::move(log));
    }
    CarryOverEarlierFile(path, *store);
    return store;
}

}  // namespace xl::app
