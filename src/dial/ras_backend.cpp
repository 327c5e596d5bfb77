#include "dial/ras_api.h"

namespace xl::dial {

std::optional<RasBackend> ParseRasBackend(std::string_view text) {
    if (text == "real") return RasBackend::Real;
    if (text == "sim") return RasBackend::Simulated;
    return std::nullopt;
}

}  // namespace xl::dial
