// The settings store of the product. The file is "岫澜IP.INI" in the user's
// roaming application data and its bytes are GBK on every system. Where the
// system's ANSI code page is 936 the operating system's private-profile
// functions write it (their wide forms: the texts pass through 936 both ways,
// so the bytes are what they always were); elsewhere those functions would put
// sections and values through the system's code page, so our own INI store
// keeps the bytes instead. Files are opened by their wide path.
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/ini_file_store.h"
#include "app/loaded_settings_store.h"
#include "app/settings_disk.h"
#include "app/settings_file.h"
#include "app/settings_store.h"
#include "gbk/code_page.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::app {
namespace {

std::wstring ReadProfileItem(const std::wstring& section, const std::wstring& key,
                             const std::wstring& file) {
    std::vector<wchar_t> buffer(kSettingReadBufferSize, L'\0');
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), file.c_str());
    return std::wstring(buffer.data(), n);
}

class PrivateProfileStore final : public LoadedSettingsStore {
  public:
    PrivateProfileStore(std::string path, SettingsLog log)
        : LoadedSettingsStore(std::move(path), std::move(log)), widePath_(win32::Widen(Path())) {}

  private:
    unsigned WriteItem(std::string_view section, std::string_view key, std::string_view value,
                       IniDocument&) override {
        if (WritePrivateProfileStringW(win32::Widen(section).c_str(), win32::Widen(key).c_str(),
                                       win32::Widen(value).c_str(), widePath_.c_str())) {
            return 0;
        }
        const DWORD error = GetLastError();
        return error != 0 ? error : ERROR_WRITE_FAULT;
    }

    std::wstring widePath_;
};

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An earlier version handed the GBK path and texts to the ANSI functions. On a
// system whose ANSI code page is not 936 its file therefore has the name those
// bytes spell in that code page, and its sections and values went through that
// code page. It is read once, as it was written, into the file of the right
// name while that one does not exist yet; the earlier file stays as it is.
// That version kept it in the temporary folder; it may also lie beside ours.
void CarryOverEarlierFile(const std::string& path, SettingsStore& store) {
    const std::wstring current = win32::Widen(path);
    // Split the wide path: a GBK trail byte can look like a backslash.
    const std::size_t slash = current.find_last_of(L'\\');
    const std::size_t nameAt = slash == std::wstring::npos ? 0 : slash + 1;
    const std::wstring earlierName = win32::WidenAnsi(win32::Narrow(current.substr(nameAt)));
    if (earlierName == current.substr(nameAt) || Exists(current)) return;
    for (const std::wstring& folder :
         {current.substr(0, nameAt), win32::Widen(TemporaryFilesDirectory())}) {
        const std::wstring earlier = folder + earlierName;
        if (!Exists(earlier)) continue;
        for (const SettingKey& k : kAllSettingKeys) {
            const std::string value = win32::NarrowAnsi(
                ReadProfileItem(win32::WidenAnsi(k.section), win32::WidenAnsi(k.key), earlier));
            if (!value.empty()) store.Write(k.section, k.key, SettingsFile::Protected(value));
        }
        return;
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

unsigned LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != 0 ? error : fallback;
}

}  // namespace

DiskRead ReadWholeFile(const std::string& path, std::uint64_t limitBytes) {
    // Others may keep reading and writing it; one that denies us reading
    // (a sharing violation) makes the read fail, not come back empty.
    const win32::FileHandle file(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
        return {DiskReadState::Failed, {}, error != 0 ? error : ERROR_READ_FAULT};
    }
    DiskRead result;
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
            return {DiskReadState::Failed, {}, LastErrorOr(ERROR_READ_FAULT)};
        }
        if (n == 0) break;
        if (result.bytes.size() + n > limitBytes) return {DiskReadState::TooLarge, {}, 0};
        result.bytes.append(buffer, n);
    }
    result.state = DiskReadState::Read;
    return result;
}

unsigned ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    const std::wstring target = win32::Widen(path);
    const std::wstring temp = target + L".tmp";
    if (!WriteNewFile(temp, bytes) ||
        !MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const unsigned error = LastErrorOr(ERROR_WRITE_FAULT);  // before the clean-up
        DeleteFileW(temp.c_str());
        return error;
    }
    return 0;
}

unsigned MoveFileReplacing(const std::string& from, const std::string& to) {
    if (MoveFileExW(win32::Widen(from).c_str(), win32::Widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return LastErrorOr(ERROR_WRITE_FAULT);
}

unsigned RemoveFile(const std::string& path) {
    return DeleteFileW(win32::Widen(path).c_str()) ? 0 : LastErrorOr(ERROR_WRITE_FAULT);
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

std::optional<std::string> SettingsFolder() {
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, appData))) {
        return std::nullopt;
    }
    std::wstring folder = appData;
    if (folder.empty()) return std::nullopt;
    if (folder.back() != L'\\') folder += L'\\';
    folder += win32::Widen(kSettingsFolderName);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return std::nullopt;
    }
    folder += L'\\';
    // A user name GBK cannot spell and no short name for it: the GBK path
    // would lead nowhere.
    std::string gbk = win32::PathToGbk(folder);
    if (!IsFolder(win32::Widen(gbk))) return std::nullopt;
    return gbk;
}

std::unique_ptr<SettingsStore> MakeSettingsStore(std::string path, SettingsLog log) {
    std::unique_ptr<SettingsStore> store;
    if (GetACP() == gbk::kCodePage) {
        store = std::make_unique<PrivateProfileStore>(path, std::move(log));
    } else {
        store = MakeIniFileStore(path, std::move(log));
    }
    CarryOverEarlierFile(path, *store);
    return store;
}

}  // namespace xl::app
