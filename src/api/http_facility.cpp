#include "api/http_facility.h"

#include "api/text.h"

namespace xl::api {

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
