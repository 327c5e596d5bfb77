#pragma once
// The whole-file operations the settings file needs, by GBK path: Windows
// opens files by their wide path (code page 936 named explicitly), POSIX uses
// the bytes. Failures are returned as the system's error number, never thrown;
// 0 means success. User-interface thread only, like the settings themselves.
#include <cstdint>
#include <string>

namespace xl::app {

enum class DiskReadState {
    Read,      // the whole file, up to the limit
    Missing,   // no such file (or no such folder)
    TooLarge,  // more bytes than the limit: nothing is kept
    Failed     // shared, locked, access denied, or an error part-way
};

struct DiskRead {
    DiskReadState state = DiskReadState::Missing;
    std::string bytes;   // only when Read
    unsigned error = 0;  // only when Failed
};

// Reads at most `limitBytes`; a longer file is TooLarge, never half read.
DiskRead ReadWholeFile(const std::string& path, std::uint64_t limitBytes);
// Writes the bytes to a new file beside `path` and moves it over `path`, so a
// failure leaves the old file as it was.
unsigned ReplaceWholeFile(const std::string& path, const std::string& bytes);
// Moves `from` to `to`, replacing what was there.
unsigned MoveFileReplacing(const std::string& from, const std::string& to);
unsigned RemoveFile(const std::string& path);

}  // namespace xl::app
