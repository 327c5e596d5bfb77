// Word from the remote-access service that a connection ended: an auto-reset
// event registered for every connection (the handle INVALID_HANDLE_VALUE) and
// watched by a thread-pool wait, so no thread of ours sits waiting and the
// user-interface thread's message loop stays as it is.
#include "dial/ras_api_win32.h"

// clang-format off
#include <windows.h>
#include <ras.h>
// clang-format on

#include <memory>
#include <utility>

namespace xl::dial {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueEvent = std::unique_ptr<void, HandleCloser>;

// Owns the event and the pool's wait on it.
class Win32DisconnectionWatch final : public DisconnectionWatch {
  public:
    explicit Win32DisconnectionWatch(DisconnectionCallback callback)
        : callback_(std::move(callback)) {}
    ~Win32DisconnectionWatch() override {
        // INVALID_HANDLE_VALUE: returns only after a callback under way has ended.
        if (wait_ != nullptr) UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    }
    Win32DisconnectionWatch(const Win32DisconnectionWatch&) = delete;
    Win32DisconnectionWatch& operator=(const Win32DisconnectionWatch&) = delete;

    // 0, or the code of the step that failed.
    std::uint32_t Start() {
        event_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!event_) return GetLastError();
        const DWORD rc = RasConnectionNotificationW(
            reinterpret_cast<HRASCONN>(INVALID_HANDLE_VALUE), event_.get(), RASCN_Disconnection);
        if (rc != ERROR_SUCCESS) return rc;
        // Not WT_EXECUTEONLYONCE: after each callback the wait goes back to
        // the auto-reset event, so every later end is seen too.
        if (!RegisterWaitForSingleObject(&wait_, event_.get(), &Fired, this, INFINITE,
                                         WT_EXECUTEDEFAULT)) {
            wait_ = nullptr;
            return GetLastError();
        }
        return 0;
    }

  private:
    static VOID CALLBACK Fired(PVOID context, BOOLEAN /*timedOut*/) {
        static_cast<Win32DisconnectionWatch*>(context)->callback_();
    }

    DisconnectionCallback callback_;
    UniqueEvent event_;
    HANDLE wait_ = nullptr;
};

}  // namespace

DisconnectionWatchStart WatchRasDisconnections(DisconnectionCallback onDisconnection) {
    auto watch = std::make_unique<Win32DisconnectionWatch>(std::move(onDisconnection));
    if (const std::uint32_t error = watch->Start(); error != 0) return {nullptr, error};
    return {std::move(watch), 0};
}

}  // namespace xl::dial
