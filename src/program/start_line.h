#pragma once
// The log's first line of a run: the product's version, the system it runs on
// and the settings of the executable in effect, so that a log sent in says
// what was running. Addresses lose any user name and password they carry.
#include <string>
#include <string_view>

#include "app/program_options.h"

namespace xl::program {

// What the platform reports about itself at start-up.
struct SystemFacts {
    std::string windowsVersion;  // "6.1.7601 Service Pack 1", say; empty when unknown
    int dpi = 0;                 // of the system, 96 at 100 %
};

// "启动 岫澜IP 5.7.0, 系统 Windows 10.0.19045, DPI 96, 选项 --api-base=… --probe-url=… --ras=real"
std::string StartLogLine(const app::ProgramOptions& options, const SystemFacts& facts);

// The address without the "user:password@" part of its authority.
std::string WithoutUserInfo(std::string_view url);

// The facts of the running system (Windows only).
SystemFacts ReadSystemFacts();

}  // namespace xl::program
