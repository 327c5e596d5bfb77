#pragma once
// A message pump without windows: tasks posted from any thread run on the
// thread that dispatches. Tests and headless runs use it where the product
// dispatches window messages.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "dial/message_pump.h"

namespace xl::dial {

class QueuedMessagePump : public MessagePump {
  public:
    // Safe from any thread.
    void Post(std::function<void()> task);

    void DispatchPending() override;
    void WaitDispatching(std::chrono::milliseconds d) override;

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace xl::dial
