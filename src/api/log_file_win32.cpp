// The log's file operations on Windows, by wide path: the GBK path goes
// through code page 936 explicitly, never the system's ANSI code page.
#include <windows.h>

#include "api/log_file.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace xl::api::logfile {

namespace {

win32::FileHandle Open(const std::string& path, DWORD access, DWORD disposition) {
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) return {};
    // Others may read, write or delete the file meanwhile: a user opening the
    // log in an editor must not stop the program from writing the next line.
    HANDLE h =
        CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return win32::FileHandle(h);
}

}  // namespace

std::optional<std::uint64_t> Size(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring wide = win32::Widen(path);
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Append(const std::string& path, std::string_view bytes) {
    const win32::FileHandle file = Open(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

bool MoveReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = win32::Widen(from), target = win32::Widen(to);
    return !source.empty() && !target.empty() &&
           MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace xl::api::logfile
