#pragma once
// What the dial engine remembers for the whole run. Everything but the last
// status text belongs to the user-interface thread; the status text is also
// written by the progress notifier on a thread of the remote-access service,
// so it is reached only through its lock.
#include <mutex>
#include <string>

#include "dial/ras_api.h"

namespace xl::dial {

class DialState {
  public:
    std::string entryName;       // entry last dialled; HangUpVpn falls back to it
    std::string phoneBookPath;   // phone-book file last written
    std::string resetEntryName;  // entry whose phone-book file was last deleted
    RasHandle connectionHandle = 0;

    std::string LastStatusText() const {
        std::lock_guard lock(statusMutex_);
        return lastStatusText_;
    }
    void SetLastStatusText(std::string text) {
        std::lock_guard lock(statusMutex_);
        lastStatusText_ = std::move(text);
    }

  private:
    mutable std::mutex statusMutex_;
    std::string lastStatusText_;
};

}  // namespace xl::dial
