#pragma once
// The message pump over the thread's own Windows message queue: dispatches
// with Peek/Translate/Dispatch and waits on a waitable timer while messages
// keep being handled. Only in the Windows build.
#include <chrono>

#include "dial/message_pump.h"

namespace xl::dial {

class Win32MessagePump : public MessagePump {
  public:
    void DispatchPending() override;
    void WaitDispatching(std::chrono::milliseconds d) override;
};

}  // namespace xl::dial
