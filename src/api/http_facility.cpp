#include "api/http_facility.h"

#include <algorithm>

#include "api/text.h"

namespace xl::api {

std::chrono::milliseconds HttpRequestDeadline(const HttpPhaseTimeouts& phases) {
    const long long limits[] = {phases.resolveMs, phases.connectMs, phases.sendMs,
                                phases.receiveMs};
    long long longest = 0;
    for (const long long limit : limits) longest = std::max(longest, limit);
    // No limit on any phase: the platform's own, rather than none at all.
    if (longest <= 0) return HttpRequestDeadline(kHttpPlatformPhaseLimits);
    long long sum = 0;
    for (const long long limit : limits) sum += limit > 0 ? limit : longest;
    return std::chrono::milliseconds(sum);
}

void HttpFacilityBase::SetRequestHeader(const std::string& name, const std::string& value) {
    if (name.empty()) return;
    for (auto& header : headers_) {
        if (TextLower(header.first) == TextLower(name)) {
            header.second = value;
            return;
        }
    }
    headers_.emplace_back(name, value);
}

}  // namespace xl::api
