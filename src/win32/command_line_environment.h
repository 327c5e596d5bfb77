#pragma once
// What the process was started with: its command-line arguments and its
// environment variables, read through the wide calls and handed on as GBK
// text, as every text of the program is. Any thread. Nothing fails: a command
// line the system cannot split gives no arguments, a variable that is not set
// gives nothing.
#include <optional>
#include <string>
#include <vector>

namespace xl::win32 {

// The process's command-line arguments after the program's own name.
std::vector<std::string> CommandLineArguments();

// An environment variable's value; nullopt when it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

}  // namespace xl::win32
