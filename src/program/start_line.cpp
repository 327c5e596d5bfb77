#include "program/start_line.h"

#include "product_version.h"

namespace xl::program {

std::string WithoutUserInfo(std::string_view url) {
    const std::size_t scheme = url.find("://");
    const std::size_t start = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t end = url.find_first_of("/?#", start);
    const std::string_view authority =
        url.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos) return std::string(url);
    return std::string(url.substr(0, start)) + std::string(url.substr(start + at + 1));
}

std::string StartLogLine(const app::ProgramOptions& options, const SystemFacts& facts) {
    std::string line = "启动 岫澜IP " XIULAN_VERSION ", 系统 Windows ";
    line += facts.windowsVersion.empty() ? "未知" : facts.windowsVersion;
    line += ", DPI " + std::to_string(facts.dpi);
    line += ", 选项 --api-base=" + WithoutUserInfo(options.apiBase);
    line += " --probe-url=" + WithoutUserInfo(options.probeUrl);
    line += options.ras == app::RasBackendChoice::Simulated ? " --ras=sim" : " --ras=real";
    return line;
}

}  // namespace xl::program
