#pragma once
// The file operations the log needs, by GBK path. Windows opens files by their
// wide path, converted through code page 936 explicitly, so the log lands in
// the right place whatever the system's ANSI code page; POSIX uses the bytes.
// Failures are returned, never thrown. Any thread; the caller serialises.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xl::api::logfile {

// The file's size in bytes; none when it does not exist or cannot be read.
std::optional<std::uint64_t> Size(const std::string& path);
// Appends the bytes, creating the file as needed. Readers and deleters are let in meanwhile.
bool Append(const std::string& path, std::string_view bytes);
// Moves `from` to `to`, replacing what was there.
bool MoveReplacing(const std::string& from, const std::string& to);

}  // namespace xl::api::logfile
