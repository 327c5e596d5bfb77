#include "api/log.h"

#include <chrono>
#include <ctime>
#include <fstream>

namespace xl::api {

void FileLog::Write(std::string_view message) {
    std::lock_guard lock(mutex_);
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char stamp[32] = {};
    // std::localtime shares one buffer; the lock keeps this log's writers apart.
    if (const std::tm* local = std::localtime(&now))
        std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", local);
    std::ofstream file(path_, std::ios::binary | std::ios::app);
    file << stamp << ' ' << message << "\r\n";
}

}  // namespace xl::api
