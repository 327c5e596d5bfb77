#include "dial/ras_simulator.h"

#include <algorithm>
#include <utility>

namespace xl::dial {

namespace {

// The error texts are this program's own wording.
std::string SimErrorText(std::uint32_t code) {
    switch (code) {
        case kRasErrorInvalidHandle:
            return "连接句柄无效。";
        case kRasErrorBufferTooSmall:
            return "连接列表的缓冲区太小。";
        case kRasErrorEntryNotFound:
            return "电话簿中没有这个连接项。";
        case kRasErrorPortInUse:
            return "端口已被占用，无法拨号。";
        case kRasErrorAuthentication:
            return "远程服务器拒绝了用户名或密码。";
        case kRasErrorUnreachable:
            return "无法连接远程服务器：服务器不可达。";
        // The service leaves the prepared buffer alone for codes it does not know.
        default:
            return std::string(100, ' ');
    }
}

// How long Step waits for a released notification to come back from the notifier.
constexpr std::chrono::seconds kDeliveryLimit{10};

std::string WithoutPort(const std::string& host) {
    const std::size_t colon = host.rfind(':');
    return colon == std::string::npos ? host : host.substr(0, colon);
}

}  // namespace

struct RasSimulator::Run {
    RasHandle handle = 0;
    DialNotifier notifier;
    bool cancelled = false;  // hung up or dropped: no further notifications
    bool done = false;       // its thread has nothing left to do
    std::thread thread;
};

// One disconnection watch: a thread that sleeps until told and then calls
// back. Word that comes while it sleeps or calls back folds into one call, as
// with the service's auto-reset event.
struct RasSimulator::Watcher {
    std::mutex mutex;
    std::condition_variable changed;
    bool pending = false;
    bool calling = false;
    bool stopping = false;
    DisconnectionCallback callback;
    std::thread thread;

    void Run() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return pending || stopping; });
            if (stopping) return;
            pending = false;
            calling = true;
            lock.unlock();
            if (callback) callback();
            lock.lock();
            calling = false;
            changed.notify_all();
        }
    }
    void Tell() {
        {
            std::lock_guard lock(mutex);
            pending = true;
        }
        changed.notify_all();
    }
    void WaitIdle() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return (!pending && !calling) || stopping; });
    }
    // Never from the callback itself: it would wait for its own thread.
    void Stop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        if (thread.joinable()) thread.join();
    }
};

class RasSimulator::SimWatch final : public DisconnectionWatch {
  public:
    SimWatch(RasSimulator& sim, std::shared_ptr<Watcher> watcher)
        : sim_(sim), watcher_(std::move(watcher)) {}
    ~SimWatch() override {
        sim_.Unwatch(*watcher_);
        watcher_->Stop();
    }

  private:
    RasSimulator& sim_;
    std::shared_ptr<Watcher> watcher_;
};

SimConfig DemoSimConfig() {
    SimConfig config;
    config.defaultOutcome = SimOutcome::Connect;
    config.stepDelay = std::chrono::milliseconds(250);
    return config;
}

RasSimulator::RasSimulator(SimConfig config) : config_(std::move(config)) {}

RasSimulator::~RasSimulator() {
    std::vector<std::shared_ptr<Run>> runs;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        runs = runs_;
    }
    changed_.notify_all();
    for (auto& run : runs) {
        if (run->thread.joinable()) run->thread.join();
    }
}

std::uint32_t RasSimulator::SetEntryProperties(const std::string& phoneBook,
                                               const std::string& entryName,
                                               const RasEntry& entry) {
    std::lock_guard lock(mutex_);
    if (entryError_ != 0) return entryError_;
    phoneBooks_[phoneBook][entryName] = entry;
    return 0;
}

SimOutcome RasSimulator::OutcomeFor(const std::string& host) const {
    for (const std::string& key : {host, WithoutPort(host)}) {
        const auto it = config_.hostOutcomes.find(key);
        if (it != config_.hostOutcomes.end()) return it->second;
    }
    return config_.defaultOutcome;
}

std::uint32_t RasSimulator::Dial(const std::string& phoneBook, const RasDialParams& params,
                                 DialNotifier notifier, RasHandle& handle) {
    std::lock_guard lock(mutex_);
    // Threads that finished are joined here, so a long session keeps none.
    std::erase_if(runs_, [](const std::shared_ptr<Run>& run) {
        if (!run->done) return false;
        if (run->thread.joinable()) run->thread.join();
        return true;
    });
    const auto book = phoneBooks_.find(phoneBook);
    if (book == phoneBooks_.end()) return kRasErrorEntryNotFound;
    const auto entry = book->second.find(params.entryName);
    if (entry == book->second.end()) return kRasErrorEntryNotFound;
    const SimOutcome outcome = OutcomeFor(entry->second.localPhoneNumber);
    if (outcome == SimOutcome::RefusedAtOnce) return kRasErrorPortInUse;

    handle = nextHandle_++;
    connections_.push_back(
        {handle, params.entryName, entry->second.deviceType, entry->second.deviceName});
    lastDial_ = params;
    if (outcome == SimOutcome::NoAnswer) return 0;

    std::vector<Notification> script;
    const std::uint32_t opening[] = {0, 1, 2};
    for (std::uint32_t s : opening) script.push_back({s, 0});
    if (outcome == SimOutcome::Unreachable) {
        script.push_back({2, kRasErrorUnreachable});
    } else {
        for (std::uint32_t s : {3u, 4u, 5u, 6u}) script.push_back({s, 0});
        if (outcome == SimOutcome::AuthenticationRefused) {
            script.push_back({14, kRasErrorAuthentication});
        } else {
            for (std::uint32_t s : {12u, 14u, kRasStateConnected}) script.push_back({s, 0});
        }
    }
    auto run = std::make_shared<Run>();
    run->handle = handle;
    run->notifier = std::move(notifier);
    ++playing_;
    run->thread = std::thread(&RasSimulator::Play, this, run, std::move(script));
    runs_.push_back(std::move(run));
    return 0;
}

bool RasSimulator::AwaitTurn(std::unique_lock<std::mutex>& lock, const Run& run) {
    const auto over = [&] { return run.cancelled || stopping_; };
    if (!config_.stepByStep) {
        changed_.wait_for(lock, config_.stepDelay, over);
        return !over();
    }
    ++waitingForStep_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return permits_ > 0 || over(); });
    --waitingForStep_;
    if (over()) {
        // A permit meant for this turn is withdrawn, so Step() does not wait for it.
        if (permits_ > waitingForStep_) permits_ = waitingForStep_;
        changed_.notify_all();
        return false;
    }
    --permits_;
    ++inFlight_;
    return true;
}

void RasSimulator::Play(std::shared_ptr<Run> run, std::vector<Notification> script) {
    for (std::size_t i = 0; i < script.size(); ++i) {
        {
            std::unique_lock lock(mutex_);
            if (!AwaitTurn(lock, *run)) break;
            if (i + 1 == script.size()) Finish(*run, script[i]);
        }
        // Unlocked: the notifier may call back into the service.
        if (run->notifier) run->notifier(0, script[i].state, script[i].error);
        {
            std::lock_guard lock(mutex_);
            ++delivered_;
            if (config_.stepByStep) --inFlight_;
        }
        changed_.notify_all();
    }
    {
        std::lock_guard lock(mutex_);
        --playing_;
        run->done = true;
    }
    changed_.notify_all();
}

void RasSimulator::Finish(const Run& run, const Notification& last) {
    if (last.error != 0 && !config_.keepFailedConnections) RemoveConnection(run.handle);
}

void RasSimulator::RemoveConnection(RasHandle handle) {
    if (std::erase_if(connections_, [&](const RasConnection& c) { return c.handle == handle; })) {
        SignalDisconnection();
    }
}

void RasSimulator::SignalDisconnection() {
    for (const auto& watcher : watchers_) watcher->Tell();
}

DisconnectionWatchStart RasSimulator::WatchDisconnections(DisconnectionCallback onDisconnection) {
    {
        std::lock_guard lock(mutex_);
        if (watchError_ != 0) return {nullptr, watchError_};
    }
    auto watcher = std::make_shared<Watcher>();
    watcher->callback = std::move(onDisconnection);
    watcher->thread = std::thread(&Watcher::Run, watcher.get());
    {
        std::lock_guard lock(mutex_);
        watchers_.push_back(watcher);
    }
    return {std::make_unique<SimWatch>(*this, std::move(watcher)), 0};
}

void RasSimulator::Unwatch(const Watcher& watcher) {
    std::lock_guard lock(mutex_);
    std::erase_if(watchers_, [&](const auto& w) { return w.get() == &watcher; });
}

void RasSimulator::WaitWatchersIdle() {
    std::vector<std::shared_ptr<Watcher>> watchers;
    {
        std::lock_guard lock(mutex_);
        watchers = watchers_;
    }
    for (const auto& watcher : watchers) watcher->WaitIdle();
}

int RasSimulator::WatchCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(watchers_.size());
}

std::uint32_t RasSimulator::HangUp(RasHandle handle) {
    std::lock_guard lock(mutex_);
    const auto listed = std::find_if(connections_.begin(), connections_.end(),
                                     [&](const RasConnection& c) { return c.handle == handle; });
    const auto run = std::find_if(runs_.begin(), runs_.end(), [&](const auto& r) {
        return r->handle == handle && !r->cancelled;
    });
    if (listed == connections_.end() && run == runs_.end()) return kRasErrorInvalidHandle;
    if (listed != connections_.end() && hangUpError_ != 0) return hangUpError_;
    if (listed != connections_.end()) {
        connections_.erase(listed);
        SignalDisconnection();
    }
    if (run != runs_.end()) (*run)->cancelled = true;
    changed_.notify_all();
    return 0;
}

RasConnectionList RasSimulator::EnumConnections() {
    std::lock_guard lock(mutex_);
    if (connections_.size() > kMaxListedConnections) return {kRasErrorBufferTooSmall, {}};
    return {0, connections_};
}

std::string RasSimulator::ErrorString(std::uint32_t code) {
    return SimErrorText(code);
}

std::string RasSimulator::DocumentsFolder() {
    return config_.documentsFolder;
}

bool RasSimulator::DeletePhoneBook(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (phoneBooks_.erase(path) != 0) ++deletions_;
    return true;
}

bool RasSimulator::Step(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return waitingForStep_ > permits_; })) {
        return false;
    }
    ++permits_;
    const std::uint64_t target = delivered_ + 1;
    changed_.notify_all();
    changed_.wait_for(lock, kDeliveryLimit,
                      [&] { return delivered_ >= target || (permits_ == 0 && inFlight_ == 0); });
    return delivered_ >= target;
}

void RasSimulator::WaitIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return playing_ == 0; });
}

bool RasSimulator::DropConnection(const std::string& entryName) {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(connections_.begin(), connections_.end(),
                                 [&](const RasConnection& c) { return c.entryName == entryName; });
    if (it == connections_.end()) return false;
    for (auto& run : runs_) {
        if (run->handle == it->handle) run->cancelled = true;
    }
    connections_.erase(it);
    SignalDisconnection();
    changed_.notify_all();
    return true;
}

RasHandle RasSimulator::AddForeignConnection(const std::string& entryName,
                                             const std::string& deviceType,
                                             const std::string& deviceName) {
    std::lock_guard lock(mutex_);
    const RasHandle handle = nextHandle_++;
    connections_.push_back({handle, entryName, deviceType, deviceName});
    return handle;
}

void RasSimulator::SetHostOutcome(const std::string& host, SimOutcome outcome) {
    std::lock_guard lock(mutex_);
    config_.hostOutcomes[host] = outcome;
}

void RasSimulator::SetStepDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    config_.stepDelay = delay;
}

void RasSimulator::SetEntryError(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    entryError_ = code;
}

void RasSimulator::SetHangUpError(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    hangUpError_ = code;
}

void RasSimulator::SetWatchError(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    watchError_ = code;
}

std::optional<RasEntry> RasSimulator::StoredEntry(const std::string& phoneBook,
                                                  const std::string& entryName) const {
    std::lock_guard lock(mutex_);
    const auto book = phoneBooks_.find(phoneBook);
    if (book == phoneBooks_.end()) return std::nullopt;
    const auto entry = book->second.find(entryName);
    if (entry == book->second.end()) return std::nullopt;
    return entry->second;
}

std::vector<std::string> RasSimulator::EntryNames(const std::string& phoneBook) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    const auto book = phoneBooks_.find(phoneBook);
    if (book == phoneBooks_.end()) return names;
    for (const auto& [name, entry] : book->second) names.push_back(name);
    return names;
}

int RasSimulator::PhoneBookDeletions() const {
    std::lock_guard lock(mutex_);
    return deletions_;
}

std::optional<RasDialParams> RasSimulator::LastDialParams() const {
    std::lock_guard lock(mutex_);
    return lastDial_;
}

std::vector<RasConnection> RasSimulator::Connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

}  // namespace xl::dial
