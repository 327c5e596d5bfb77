#pragma once
// Work an object hands to the user-interface thread for later (a posted task,
// a delayed one, a command's answer) must do nothing once the object has
// gone. The object owns a LivenessGuard and wraps each such task with it; the
// wrapper runs the task only while the guard lives. The object's end and the
// wrapper's check both happen on the user-interface thread, so the check needs
// no lock; wrapping works on any thread while the guard exists. Copies of a
// wrapper share its one check. Nothing here fails.
#include <memory>
#include <utility>

namespace xl::dial {

class LivenessGuard {
  public:
    LivenessGuard() = default;
    LivenessGuard(const LivenessGuard&) = delete;
    LivenessGuard& operator=(const LivenessGuard&) = delete;

    // `task`, called with the wrapper's arguments while this guard lives;
    // once it has gone, the wrapper does nothing.
    template <typename Task>
    auto OnlyWhileAlive(Task task) const {
        return [alive = std::weak_ptr<const char>(alive_),
                task = std::move(task)](auto&&... args) mutable {
            if (!alive.expired()) task(std::forward<decltype(args)>(args)...);
        };
    }

  private:
    std::shared_ptr<const char> alive_ = std::make_shared<const char>('\0');
};

}  // namespace xl::dial
