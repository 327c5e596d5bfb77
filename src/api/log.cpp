#include "api/log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>

#include "api/log_file.h"

namespace xl::api {

namespace {

constexpr std::string_view kLogExtension = ".log";
constexpr std::string_view kRolledSuffix = ".old";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstGbkLead = 0x81;
constexpr unsigned char kLastGbkLead = 0xFE;
constexpr unsigned char kFirstGbkTrail = 0x40;
constexpr unsigned char kLastGbkTrail = 0xFE;

bool GbkLead(unsigned char byte) {
    return byte >= kFirstGbkLead && byte <= kLastGbkLead;
}
// 0x40-0xFE except 0x7F: never a control byte, so a pair can never smuggle one in.
bool GbkTrail(unsigned char byte) {
    return byte >= kFirstGbkTrail && byte <= kLastGbkTrail && byte != kDelete;
}

// Local time with milliseconds; the lock of the caller keeps std::localtime's
// shared buffer to one writer.
std::string Stamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    char date[32] = {};
    if (const std::tm* local = std::localtime(&seconds))
        std::strftime(date, sizeof(date), "%Y-%m-%d %H:%M:%S", local);
    char stamp[40] = {};
    std::snprintf(stamp, sizeof(stamp), "%s.%03d", date, static_cast<int>(millis));
    return stamp;
}

}  // namespace

void LogCurrentException(ProgramLog& log,
                         std::initializer_list<std::string_view> context) noexcept {
    try {
        std::string line;
        for (const std::string_view part : context) line += part;
        try {
            throw;
        } catch (const std::exception& error) {
            line += error.what();
        } catch (...) {
            line += "?";
        }
        log.Write(line);
    } catch (...) {
    }
}

std::string RolledLogPath(std::string_view path) {
    if (path.size() >= kLogExtension.size() &&
        path.substr(path.size() - kLogExtension.size()) == kLogExtension) {
        std::string rolled(path.substr(0, path.size() - kLogExtension.size()));
        return rolled.append(kRolledSuffix).append(kLogExtension);
    }
    return std::string(path).append(kRolledSuffix);
}

std::string OneLogLine(std::string_view message) {
    std::string line;
    line.reserve(std::min(message.size(), kLogMessageLimit));
    for (std::size_t i = 0; i < message.size();) {
        const auto byte = static_cast<unsigned char>(message[i]);
        // A lead byte takes the next byte along only when that is a trail byte: a reply ending
        // in a lead byte and a line break must not carry the break into the file.
        const bool pair = GbkLead(byte) && i + 1 < message.size() &&
                          GbkTrail(static_cast<unsigned char>(message[i + 1]));
        const std::size_t width = pair ? 2 : 1;
        if (line.size() + width > kLogMessageLimit) break;
        if (width == 1 && (byte < kFirstPrintable || byte == kDelete)) {
            line += ' ';
        } else {
            line.append(message.substr(i, width));
        }
        i += width;
    }
    return line;
}

void FileLog::Write(std::string_view message) {
    // The log never changes what the program does: nothing it meets leaves here.
    try {
        std::lock_guard lock(mutex_);
        const std::string line = Stamp() + ' ' + OneLogLine(message) + "\r\n";
        const std::optional<std::uint64_t> size = logfile::Size(path_);
        if (size && *size + line.size() > capBytes_) {
            // When the full file cannot be moved aside the line is lost, not the cap.
            if (!logfile::MoveReplacing(path_, rolledPath_)) return;
        }
        logfile::Append(path_, line);
    } catch (...) {
    }
}

}  // namespace xl::api
