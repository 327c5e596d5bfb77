#pragma once
// Reading the settings file at start-up: whole, once, and only when it can be
// this program's. A file past the size limit or holding a NUL byte (a file
// zeroed by a crash, a binary put in its place, a UTF-16 text) is not ours; a
// file that reads whole is ours whatever odd lines a hand edit left in it,
// since the reader skips what it does not understand. Pure apart from the one
// read; user-interface thread only.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/ini_document.h"

namespace xl::app {

// Ours stay far below this: fifteen items, none longer than a read buffer.
inline constexpr std::uint64_t kSettingsFileLimitBytes = 1024 * 1024;

enum class SettingsFileState {
    Missing,
    Ours,
    TooLarge,
    NotOurs,
    Unreadable  // shared, locked, access denied, or failed part-way
};

struct SettingsFileContent {
    SettingsFileState state = SettingsFileState::Missing;
    IniDocument document;  // only when Ours
    unsigned error = 0;    // the system's error number when Unreadable
};

// Text this program may have written: no NUL byte anywhere.
bool CouldBeOurSettings(std::string_view bytes);

SettingsFileContent ReadSettingsFile(const std::string& path);

// Where a file that is not ours is kept: "dir\岫澜IP.INI" gives
// "dir\岫澜IP.bad.INI" (any name: the part before its last dot, then ".bad").
std::string SetAsidePath(std::string_view path);

}  // namespace xl::app
