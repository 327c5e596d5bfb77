#pragma once
// A long wait on the user-interface thread must keep the windows alive: the
// dial wait and PumpingWait go through this port, which the window layer
// implements over its own message loop.
#include <chrono>
#include <thread>

namespace xl::dial {

// What a long wait on the user-interface thread needs of the window system.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual void
    DispatchPending() = 0;  // handle every pending window message/posted task, then return
    virtual void WaitDispatching(
        std::chrono::milliseconds d) = 0;  // return after d, dispatching messages meanwhile
    // One round of the dial wait: `d` of real time. A pump that can wake for a
    // message runs it as it arrives (a progress text reaches the screen at once,
    // not at the next round); this default dispatches, then sleeps, and never
    // moves a test pump's virtual clock.
    virtual void DispatchFor(std::chrono::milliseconds d) {
        DispatchPending();
        std::this_thread::sleep_for(d);
    }
};

}  // namespace xl::dial
