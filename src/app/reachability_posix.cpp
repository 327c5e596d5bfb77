// The Linux stand-in asks the same two questions: is any non-loopback
// interface up with an address, and does the probe page answer (libcurl).
#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>

#include "app/program_options.h"
#include "app/reachability.h"

namespace xl::app {
namespace {

constexpr long kProbeTimeoutSeconds = 30;

bool AnyConnectionConfigured() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false;
    for (ifaddrs* i = list; i != nullptr && !found; i = i->ifa_next) {
        found = i->ifa_addr != nullptr && (i->ifa_flags & IFF_UP) != 0 &&
                (i->ifa_flags & IFF_LOOPBACK) == 0;
    }
    freeifaddrs(list);
    return found;
}

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

}  // namespace

bool CheckInternetReachable(const std::string& probeUrl) {
    if (!IsLoopbackUrl(probeUrl) && !AnyConnectionConfigured()) return false;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return false;
    curl_easy_setopt(curl, CURLOPT_URL, probeUrl.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "test");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kProbeTimeoutSeconds);
    // Like the page fetch on Windows, any answer from the server counts.
    const bool opened = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    return opened;
}

}  // namespace xl::app
