#pragma once
// Whether the Internet can be reached: asked at start-up before the server
// lists are fetched, and again by every login. It blocks the calling thread
// until the probe page opens or the request fails.
#include <string>

namespace xl::app {

// True when a connection is configured and `probeUrl` opens. A probe aimed at
// loopback (the stand-in service) counts as connected whatever the adapters say.
bool CheckInternetReachable(const std::string& probeUrl);

}  // namespace xl::app
