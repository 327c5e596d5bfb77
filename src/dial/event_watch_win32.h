#pragma once
// An auto-reset event watched by a thread-pool wait: the callback runs on a
// pool thread each time the event is set, until the watch is destroyed (the
// destructor returns only after a callback under way has ended). No thread of
// ours sits waiting, and the user-interface thread's message loop is left as
// it is. Windows build only.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "dial/ras_api.h"
#include "win32/handles.h"

namespace xl::dial {

class EventWatch final : public DisconnectionWatch {
  public:
    // Null when the event or the wait cannot be made; `error` has the system's code.
    static std::unique_ptr<EventWatch> Start(DisconnectionCallback callback, std::uint32_t& error);
    ~EventWatch() override;
    EventWatch(const EventWatch&) = delete;
    EventWatch& operator=(const EventWatch&) = delete;

    HANDLE Event() const { return event_.get(); }

  private:
    explicit EventWatch(DisconnectionCallback callback) : callback_(std::move(callback)) {}
    static VOID CALLBACK Fired(PVOID context, BOOLEAN timedOut);

    DisconnectionCallback callback_;
    win32::KernelHandle event_;
    HANDLE wait_ = nullptr;
};

}  // namespace xl::dial
