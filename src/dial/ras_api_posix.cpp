// Off Windows nothing can dial: every backend is the simulator.
#include <cstdlib>

#include "dial/ras_api.h"
#include "dial/ras_simulator.h"

namespace xl::dial {

RasBackend DefaultRasBackend() {
    return RasBackend::Simulated;
}

std::unique_ptr<RasApi> MakeRasApi(RasBackend /*backend*/, const SimConfig& simConfig) {
    SimConfig config = simConfig;
    if (config.documentsFolder.empty()) {
        // A Windows-shaped profile, so the phone-book path looks as it will there.
        const char* user = std::getenv("USER");
        config.documentsFolder = std::string("C:\\Users\\") +
                                 (user != nullptr && *user != '\0' ? user : "user") + "\\Documents";
    }
    return std::make_unique<RasSimulator>(std::move(config));
}

}  // namespace xl::dial
