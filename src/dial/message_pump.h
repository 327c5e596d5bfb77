#pragma once
// A long wait on the user-interface thread must keep the windows alive: the
// dial wait and PumpingWait go through this port, which the window layer
// implements over its own message loop.
#include <chrono>

namespace xl::dial {

// What a long wait on the user-interface thread needs of the window system.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual void
    DispatchPending() = 0;  // handle every pending window message/posted task, then return
    virtual void WaitDispatching(
        std::chrono::milliseconds d) = 0;  // return after d, dispatching messages meanwhile
};

}  // namespace xl::dial
