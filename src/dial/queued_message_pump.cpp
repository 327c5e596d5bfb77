#include "dial/queued_message_pump.h"

#include <utility>

namespace xl::dial {

void QueuedMessagePump::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

void QueuedMessagePump::DispatchPending() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();  // unlocked: a task may post further tasks
    }
}

void QueuedMessagePump::WaitDispatching(std::chrono::milliseconds d) {
    const auto deadline = std::chrono::steady_clock::now() + d;
    for (;;) {
        DispatchPending();
        std::unique_lock lock(mutex_);
        if (!posted_.wait_until(lock, deadline, [this] { return !tasks_.empty(); })) return;
    }
}

}  // namespace xl::dial
