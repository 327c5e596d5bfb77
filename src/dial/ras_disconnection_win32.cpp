// Word from the remote-access service that a connection ended: an auto-reset
// event registered for every connection (the handle INVALID_HANDLE_VALUE),
// watched by the thread pool.
// clang-format off
#include <windows.h>
#include <ras.h>
// clang-format on

#include <utility>

#include "dial/event_watch_win32.h"
#include "dial/ras_api_win32.h"

namespace xl::dial {

std::unique_ptr<EventWatch> EventWatch::Start(DisconnectionCallback callback,
                                              std::uint32_t& error) {
    std::unique_ptr<EventWatch> watch(new EventWatch(std::move(callback)));
    watch->event_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!watch->event_) {
        error = GetLastError();
        return nullptr;
    }
    // Not WT_EXECUTEONLYONCE: after each callback the wait goes back to the
    // auto-reset event, so every later setting is seen too.
    if (!RegisterWaitForSingleObject(&watch->wait_, watch->Event(), &EventWatch::Fired, watch.get(),
                                     INFINITE, WT_EXECUTEDEFAULT)) {
        error = GetLastError();
        watch->wait_ = nullptr;
        return nullptr;
    }
    error = 0;
    return watch;
}

EventWatch::~EventWatch() {
    // INVALID_HANDLE_VALUE: returns only after a callback under way has ended.
    if (wait_ != nullptr) UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
}

VOID CALLBACK EventWatch::Fired(PVOID context, BOOLEAN /*timedOut*/) {
    const auto* watch = static_cast<EventWatch*>(context);
    if (watch->callback_) watch->callback_();
}

DisconnectionWatchStart WatchRasDisconnections(DisconnectionCallback onDisconnection) {
    std::uint32_t error = 0;
    std::unique_ptr<EventWatch> watch = EventWatch::Start(std::move(onDisconnection), error);
    if (!watch) return {nullptr, error};
    const DWORD rc = RasConnectionNotificationW(reinterpret_cast<HRASCONN>(INVALID_HANDLE_VALUE),
                                                watch->Event(), RASCN_Disconnection);
    if (rc != ERROR_SUCCESS) return {nullptr, rc};
    return {std::move(watch), 0};
}

}  // namespace xl::dial
