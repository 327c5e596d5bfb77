// The log's file operations on Windows, by wide path: the GBK path goes
// through code page 936 explicitly, never the system's ANSI code page.
#include <windows.h>

#include <memory>
#include <type_traits>

#include "api/log_file.h"
#include "api/text.h"

namespace xl::api::logfile {

namespace {

std::wstring WidePath(const std::string& gbk) {
    const std::string utf16 = MultiByteToUtf16(gbk, kCodePageGbk);
    std::wstring wide;
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(utf16[i]) |
                                               (static_cast<unsigned char>(utf16[i + 1]) << 8));
        if (unit == 0) break;
        wide.push_back(unit);
    }
    return wide;
}

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using FileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

FileHandle Open(const std::string& path, DWORD access, DWORD disposition) {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return nullptr;
    // Others may read, write or delete the file meanwhile: a user opening the
    // log in an editor must not stop the program from writing the next line.
    HANDLE h =
        CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

}  // namespace

std::optional<std::uint64_t> Size(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring wide = WidePath(path);
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Append(const std::string& path, std::string_view bytes) {
    const FileHandle file = Open(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

bool MoveReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = WidePath(from), target = WidePath(to);
    return !source.empty() && !target.empty() &&
           MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace xl::api::logfile
