#pragma once
// Work that an object hands to the user-interface thread, dropped when the
// object is gone by the time it would run, so a worker's late write never
// reaches a destroyed panel. Post may be called from any thread while the
// poster exists: the owner stops its workers before it destroys the poster.
#include <chrono>
#include <functional>
#include <memory>

#include "ui/window_system.h"

namespace xl::ui {

class UiPoster {
  public:
    explicit UiPoster(WindowSystem& windows) : windows_(windows) {}
    UiPoster(const UiPoster&) = delete;
    UiPoster& operator=(const UiPoster&) = delete;

    // Any thread; never waits for the user-interface thread.
    void Post(std::function<void()> task) const { windows_.Post(Guarded(std::move(task))); }
    // User-interface thread.
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> task) const {
        windows_.PostAfter(delay, Guarded(std::move(task)));
    }

  private:
    std::function<void()> Guarded(std::function<void()> task) const {
        // Destruction and the check both happen on the user-interface thread.
        return [alive = std::weak_ptr<const char>(alive_), task = std::move(task)] {
            if (!alive.expired() && task) task();
        };
    }

    WindowSystem& windows_;
    std::shared_ptr<const char> alive_ = std::make_shared<const char>('\0');
};

}  // namespace xl::ui
