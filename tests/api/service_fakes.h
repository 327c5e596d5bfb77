#pragma once
// Helpers for the service-call tests: replies written the way the service
// writes them (non-ASCII as \u escapes) and a log that keeps its lines.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "api/log.h"
#include "api/text.h"

namespace xl::api::test {

// A JSON string literal of GBK text with every non-ASCII or control character as a \u escape.
inline std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::string utf16 = MultiByteToUtf16(text, gbk::kCodePage);
    std::string out = "\"";
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        const unsigned unit =
            static_cast<unsigned char>(utf16[i]) | (static_cast<unsigned char>(utf16[i + 1]) << 8);
        if (unit == 0) break;
        if (unit >= 0x20 && unit < 0x80 && unit != '"' && unit != '\\') {
            out += static_cast<char>(unit);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
        }
    }
    return out + "\"";
}

struct Row {
    std::string province, city, domain, isp;
    int status = 0;
    std::string ip{};
};

inline std::string RowJson(const Row& row) {
    std::string json =
        "{\"province\": " + JsonString(row.province) + ", \"city\": " + JsonString(row.city) +
        ", \"domain\": " + JsonString(row.domain) + ", \"isp\": " + JsonString(row.isp) +
        ", \"status\": " + std::to_string(row.status);
    if (!row.ip.empty()) json += ", \"ip\": " + JsonString(row.ip);
    return json + "}";
}

inline std::string ListReply(const std::vector<Row>& rows, std::string code = "200") {
    std::string json = "{\"code\": " + code + ", \"data\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) json += (i ? ", " : "") + RowJson(rows[i]);
    return json + "]}";
}

class MemoryLog : public ProgramLog {
  public:
    void Write(std::string_view message) override {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(message);
    }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // The lines that contain `part`.
    std::vector<std::string> With(std::string_view part) const {
        std::vector<std::string> found;
        for (const std::string& line : Lines())
            if (line.find(part) != std::string::npos) found.push_back(line);
        return found;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace xl::api::test
