#pragma once
// Jobs started on worker threads and otherwise forgotten: the list downloads
// and refreshes. Finished threads are released as new jobs start; whatever
// still runs is waited for when the set goes (or by WaitIdle), so a job never
// outlives the objects it was handed. Jobs reach windows only by posting.
// Run and WaitIdle belong to one thread (the user-interface thread). A job
// that throws ends there, with a line in the log, never the program.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "api/log.h"

namespace xl::ui {

inline constexpr char kBackgroundJobFailedText[] = "后台任务异常: ";

class BackgroundWork {
  public:
    // The log lives as long as the jobs do.
    explicit BackgroundWork(api::ProgramLog& log) : log_(log) {}
    ~BackgroundWork() { WaitIdle(); }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    void Run(std::function<void()> job) {
        std::erase_if(jobs_, [](const Job& j) { return j.done->load(); });
        auto done = std::make_shared<std::atomic<bool>>(false);
        jobs_.push_back({std::jthread([job = std::move(job), done, &log = log_] {
                             try {
                                 job();
                             } catch (...) {
                                 api::LogCurrentException(log, {kBackgroundJobFailedText});
                             }
                             done->store(true);
                         }),
                         done});
    }

    // Waits for every job started so far.
    void WaitIdle() { jobs_.clear(); }

  private:
    struct Job {
        std::jthread thread;  // joins when the job is released
        std::shared_ptr<std::atomic<bool>> done;
    };
    api::ProgramLog& log_;
    std::vector<Job> jobs_;
};

}  // namespace xl::ui
