#pragma once
// The settings of the executable itself, as opposed to the user's choices:
// where the service is, which page proves the Internet is reachable, and
// whether dials go to the real remote-access service or to the simulator.
// Command-line options win over environment variables, which win over the
// built-in defaults.
#include <string>
#include <string_view>
#include <vector>

namespace xl::app {

enum class RasBackendChoice { Real, Simulated };

inline constexpr std::string_view kDefaultApiBase = "http://api.xiulanip.com";
inline constexpr std::string_view kDefaultProbeUrl = "http://www.baidu.com/";
inline constexpr std::string_view kDefaultServerHost = "hb1.xiulanip.com";

struct ProgramOptions {
    std::string apiBase;
    std::string probeUrl;
    RasBackendChoice ras = RasBackendChoice::Real;
    std::vector<std::string> problems;  // options that could not be understood
};

// `getenv` is handed in so tests need not touch the process environment.
using EnvironmentLookup = const char* (*)(const char*);

ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments,
                                  EnvironmentLookup environment);

// True when the URL's host is 127.x.x.x, localhost or [::1].
bool IsLoopbackUrl(std::string_view url);

}  // namespace xl::app
