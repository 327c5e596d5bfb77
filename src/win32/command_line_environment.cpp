#include "win32/command_line_environment.h"

#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include "win32/handles.h"
#include "win32/text.h"

namespace xl::win32 {

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    const LocalMemory arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    const auto raw = static_cast<LPWSTR*>(arguments.get());
    std::vector<std::string> texts;
    for (int i = 1; raw != nullptr && i < count; ++i) texts.push_back(Narrow(raw[i]));
    return texts;
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    const std::wstring wideName = Widen(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (n >= size) return std::nullopt;  // changed between the two calls
    value.resize(n);
    return Narrow(value);
}

}  // namespace xl::win32
