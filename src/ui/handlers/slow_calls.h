#pragma once
// Calls that can wait on the network or on another process (a service
// request, the reachability probe, a command run and waited for) run here, on
// a worker thread each, so the windows keep answering meanwhile. A call's
// outcome comes back as one task posted through the owner's UiPoster and meets
// the windows only there, on the user-interface thread.
//
// Threads: Run, Drop, UnderWay and the end of the object belong to the
// user-interface thread; a call runs on its own worker; `deliver` runs on the
// user-interface thread as a handler does.
// Ownership: nothing waits for a worker. The owner may go (a quit) or drop the
// calls under way (a logout) while they still run; their outcomes are then
// thrown away unseen. So a call copies what it uses, or uses what lives until
// the process ends (the program's ports: its request object, its log), and
// never the owner or its members; `deliver` may use the owner, since it runs
// only while the owner exists and has not dropped the call. The workers'
// threads are detached; what a call owns is released on its worker.
// Failure: an exception never leaves a worker. It is caught there, written to
// the log, and the call's failure outcome is delivered; a worker that cannot
// be started delivers the failure outcome too.
#include <any>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "api/log.h"
#include "ui/handlers/ui_poster.h"
#include "ui/window_system.h"

namespace xl::ui {

inline constexpr char kSlowCallFailedText[] = ": 后台调用出错, ";
inline constexpr char kSlowCallNotStartedText[] = ": 无法启动后台线程, ";

// How many workers of one SlowCalls still run; outlives the SlowCalls.
class WorkerCount {
  public:
    void Enter() {
        std::lock_guard lock(mutex_);
        ++running_;
    }
    void Leave() {
        std::lock_guard lock(mutex_);
        if (--running_ == 0) idle_.notify_all();
    }
    // Until every worker that entered has left (tests, and the end of a test run).
    void WaitIdle() const {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return running_ == 0; });
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable idle_;
    int running_ = 0;
};

class SlowCalls {
  public:
    // `what` names the calls in the log's line about a failed worker; the log
    // lives until the process ends.
    SlowCalls(WindowSystem& windows, api::ProgramLog& log, std::string what)
        : poster_(windows), log_(log), what_(std::move(what)) {}
    SlowCalls(const SlowCalls&) = delete;
    SlowCalls& operator=(const SlowCalls&) = delete;

    // Starts `call` on a worker; `deliver` later gets its outcome, or `failure`
    // when it threw, unless the owner is gone or dropped it meanwhile.
    template <typename Outcome>
    void Run(std::function<Outcome()> call, std::function<void(Outcome)> deliver, Outcome failure);

    // A call whose outcome is still to be delivered.
    bool UnderWay() const { return !pending_.empty(); }
    // The outcomes of the calls under way will be thrown away.
    void Drop() { pending_.clear(); }
    // Until every worker started so far has ended (tests).
    void WaitIdle() const { workers_->WaitIdle(); }
    // The same wait, still possible once this object is gone.
    std::shared_ptr<const WorkerCount> Workers() const { return workers_; }

  private:
    template <typename Outcome>
    void Deliver(std::uint64_t ticket, Outcome outcome);

    UiPoster poster_;
    api::ProgramLog& log_;
    std::string what_;
    std::uint64_t lastTicket_ = 0;
    // Each call under way: its `deliver`, a std::function<void(Outcome)>.
    std::map<std::uint64_t, std::any> pending_;
    std::shared_ptr<WorkerCount> workers_ = std::make_shared<WorkerCount>();
};

template <typename Outcome>
void SlowCalls::Run(std::function<Outcome()> call, std::function<void(Outcome)> deliver,
                    Outcome failure) {
    const std::uint64_t ticket = ++lastTicket_;
    pending_.emplace(ticket, std::move(deliver));
    // Everything the worker needs is its own; `self` is used only by the
    // delivery, which the handle drops once this object is gone.
    auto work = [call = std::move(call), failure, back = poster_.Share(), log = &log_, what = what_,
                 self = this, ticket]() mutable {
        std::optional<Outcome> outcome;
        try {
            outcome.emplace(call());
        } catch (...) {
            api::LogCurrentException(*log, {what, kSlowCallFailedText});
        }
        if (!outcome) outcome.emplace(std::move(failure));
        call = nullptr;  // what the call owned goes here, on its worker
        back.Post([self, ticket, outcome = std::move(*outcome)]() mutable {
            self->Deliver(ticket, std::move(outcome));
        });
    };
    workers_->Enter();
    try {
        std::thread([workers = workers_, work = std::move(work)]() mutable {
            try {
                auto owned = std::move(work);
                owned();
            } catch (...) {
                // Only the post itself can get here (out of memory): the outcome is lost.
            }
            workers->Leave();
        }).detach();
    } catch (const std::system_error&) {
        workers_->Leave();
        api::LogCurrentException(log_, {what_, kSlowCallNotStartedText});
        poster_.Post([this, ticket, failure = std::move(failure)]() mutable {
            Deliver(ticket, std::move(failure));
        });
    }
}

template <typename Outcome>
void SlowCalls::Deliver(std::uint64_t ticket, Outcome outcome) {
    auto it = pending_.find(ticket);
    if (it == pending_.end()) return;  // dropped
    auto deliver = std::any_cast<std::function<void(Outcome)>>(std::move(it->second));
    pending_.erase(it);
    if (deliver) deliver(std::move(outcome));
}

}  // namespace xl::ui
