#pragma once
// Work that an object hands to the user-interface thread, dropped when the
// object is gone by the time it would run, so a worker's late write never
// reaches a destroyed panel. Post may be called from any thread while the
// poster exists. A worker that may outlive the poster (nobody waits for it)
// posts through a Handle instead: the same post while the poster exists,
// nothing once it is gone. Posting never waits for the user-interface thread;
// the poster's end waits at most for a handle's post under way.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "dial/liveness_guard.h"
#include "ui/window_system.h"

namespace xl::ui {

class UiPoster {
    struct Link {
        std::mutex mutex;
        const UiPoster* poster = nullptr;  // null once the poster is gone
    };

  public:
    // Copyable; any thread, at any time.
    class Handle {
      public:
        void Post(std::function<void()> task) const {
            std::lock_guard lock(link_->mutex);
            if (link_->poster != nullptr) link_->poster->Post(std::move(task));
        }

      private:
        friend class UiPoster;
        explicit Handle(std::shared_ptr<Link> link) : link_(std::move(link)) {}
        std::shared_ptr<Link> link_;
    };

    explicit UiPoster(WindowSystem& windows) : windows_(windows) { link_->poster = this; }
    ~UiPoster() {
        std::lock_guard lock(link_->mutex);
        link_->poster = nullptr;
    }
    UiPoster(const UiPoster&) = delete;
    UiPoster& operator=(const UiPoster&) = delete;

    // Any thread; never waits for the user-interface thread.
    void Post(std::function<void()> task) const { windows_.Post(Guarded(std::move(task))); }
    // User-interface thread.
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> task) const {
        windows_.PostAfter(delay, Guarded(std::move(task)));
    }
    Handle Share() const { return Handle(link_); }

  private:
    std::function<void()> Guarded(std::function<void()> task) const {
        if (!task) return [] {};
        return alive_.OnlyWhileAlive(std::move(task));
    }

    WindowSystem& windows_;
    dial::LivenessGuard alive_;
    std::shared_ptr<Link> link_ = std::make_shared<Link>();
};

}  // namespace xl::ui
