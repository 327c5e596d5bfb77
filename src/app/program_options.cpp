#include "app/program_options.h"

namespace xl::app {
namespace {

bool ParseRas(std::string_view value, RasBackendChoice& out) {
    if (value == "real") {
        out = RasBackendChoice::Real;
        return true;
    }
    if (value == "sim") {
        out = RasBackendChoice::Simulated;
        return true;
    }
    return false;
}

std::string TrimTrailingSlash(std::string url) {
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

}  // namespace

ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments,
                                  EnvironmentLookup environment) {
    ProgramOptions o;
    o.apiBase = kDefaultApiBase;
    o.probeUrl = kDefaultProbeUrl;
#ifdef _WIN32
    o.ras = RasBackendChoice::Real;
#else
    o.ras = RasBackendChoice::Simulated;  // there is no remote-access service to dial here
#endif
    if (const char* v = environment("XIULAN_API_BASE"); v != nullptr && *v != '\0') o.apiBase = v;
    if (const char* v = environment("XIULAN_PROBE_URL"); v != nullptr && *v != '\0') {
        o.probeUrl = v;
    }
    if (const char* v = environment("XIULAN_RAS"); v != nullptr && *v != '\0') {
        if (!ParseRas(v, o.ras)) o.problems.push_back(std::string("XIULAN_RAS=") + v);
    }
    for (const std::string& arg : arguments) {
        const std::string_view a = arg;
        if (a.rfind("--api-base=", 0) == 0) {
            o.apiBase = a.substr(11);
        } else if (a.rfind("--probe-url=", 0) == 0) {
            o.probeUrl = a.substr(12);
        } else if (a.rfind("--ras=", 0) == 0) {
            if (!ParseRas(a.substr(6), o.ras)) o.problems.push_back(arg);
        } else {
            o.problems.push_back(arg);
        }
    }
    // Service paths begin with a slash of their own.
    o.apiBase = TrimTrailingSlash(o.apiBase);
    return o;
}

bool IsLoopbackUrl(std::string_view url) {
    const auto scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    // Only the authority names the host: an '@' in the path or query does not.
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        return close != std::string_view::npos && rest.substr(1, close - 1) == "::1";
    }
    const std::string_view host = rest.substr(0, rest.find(':'));
    if (host.size() == 9 && (host == "localhost" || host == "LOCALHOST")) return true;
    // 127.0.0.0/8 written as an address; "127.example.test" is a name, not loopback.
    if (host.rfind("127.", 0) != 0) return false;
    return host.find_first_not_of("0123456789.") == std::string_view::npos;
}

}  // namespace xl::app
