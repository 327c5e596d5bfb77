#include "dial/ras_simulator.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "gbk/characters.h"

namespace xl::dial {

namespace {

// The error texts are this program's own wording; none for codes the service
// does not know.
std::optional<std::string> SimErrorText(std::uint32_t code) {
    switch (code) {
        case kRasErrorInvalidHandle:
            return "连接句柄无效。";
        case kRasErrorBufferTooSmall:
            return "连接列表的缓冲区太小。";
        case kRasErrorEntryNotFound:
            return "电话簿中没有这个连接项。";
        case kRasErrorCannotWritePhoneBook:
            return "无法写入电话簿文件。";
        case kRasErrorInvalidSize:
            return "结构的大小与系统的要求不符。";
        case kRasErrorPortInUse:
            return "端口已被占用，无法拨号。";
        case kRasErrorAuthentication:
            return "远程服务器拒绝了用户名或密码。";
        case kRasErrorDialAlreadyInProgress:
            return "这个连接仍在拨号或挂断之中。";
        case kRasErrorUnreachable:
            return "无法连接远程服务器：服务器不可达。";
        case kRasErrorNoResponse:
            // As long as Windows' own text of this error: more than 100 characters.
            return "远程服务器一直没有应答，这台计算机与VPN服务器之间的网络连接未能建立。"
                   "常见的原因是两者之间的防火墙、地址转换设备或路由器拦截了VPN所用的协议或端口。"
                   "请检查本机与服务器之间的网络设备设置，或向网络管理员及线路提供方询问是哪一台设"
                   "备"
                   "拦截了连接。";
        default:
            return std::nullopt;
    }
}

// UTF-16 units of a GBK text: one per character.
std::size_t Utf16Length(std::string_view gbk) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < gbk.size(); ++units) {
        i += static_cast<unsigned char>(gbk[i]) >= 0x81 && i + 1 < gbk.size() ? 2 : 1;
    }
    return units;
}

// Folder names compare without case and without a trailing backslash.
std::string FolderKey(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return gbk::AsciiLower(path);
}

std::string FolderOf(const std::string& file) {
    const std::size_t slash = file.rfind('\\');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

// How many recent dials keep their notifier for a late report.
constexpr std::size_t kRecentNotifiers = 4;
constexpr char kStandardDocuments[] = "\\documents";

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

RasSimulator::RasSimulator(SimConfig config) : config_(std::move(config)) {
    // The key has the folder's bytes, lower-cased, so its length cuts the folder too.
    const std::string documents = FolderKey(config_.documentsFolder);
    const std::size_t tail = sizeof kStandardDocuments - 1;
    if (config_.profileFolder.empty() && documents.size() > tail &&
        documents.ends_with(kStandardDocuments)) {
        config_.profileFolder = config_.documentsFolder.substr(0, documents.size() - tail);
    }
    if (config_.roamingAppDataFolder.empty() && !config_.profileFolder.empty()) {
        config_.roamingAppDataFolder = config_.profileFolder + "\\AppData\\Roaming";
    }
}

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

std::chrono::milliseconds RasSimulator::Now() const {
    if (config_.clock) return config_.clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void RasSimulator::Reap() {
    const auto now = Now();
    if (std::erase_if(connections_,
                      [&](const Listed& c) { return c.goneAt.has_value() && *c.goneAt <= now; })) {
        SignalDisconnection();
    }
}

std::vector<RasSimulator::Listed>::iterator RasSimulator::FindListed(RasHandle handle) {
    return std::find_if(connections_.begin(), connections_.end(),
                        [&](const Listed& c) { return c.connection.handle == handle; });
}

std::uint32_t RasSimulator::SetEntryProperties(const std::string& phoneBook,
                                               const std::string& entryName,
                                               const RasEntry& entry) {
    std::lock_guard lock(mutex_);
    if (entryError_ != 0) return entryError_;
    if (!folders_.contains(FolderKey(FolderOf(phoneBook)))) return kRasErrorCannotWritePhoneBook;
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

std::vector<RasSimulator::Notification> RasSimulator::ScriptFor(SimOutcome outcome) const {
    std::vector<Notification> script;
    for (std::uint32_t s : {0u, 1u, 2u}) script.push_back({s, 0});
    if (outcome == SimOutcome::Unreachable) {
        script.push_back({2, kRasErrorUnreachable});
    } else if (outcome == SimOutcome::NoResponse) {
        script.push_back({2, kRasErrorNoResponse});
    } else {
        for (std::uint32_t s : {3u, 4u, 5u, 6u}) script.push_back({s, 0});
        if (outcome == SimOutcome::AuthenticationRefused) {
            script.push_back({14, kRasErrorAuthentication});
        } else {
            for (std::uint32_t s : {12u, 14u, kRasStateConnected}) script.push_back({s, 0});
        }
    }
    if (outcome == SimOutcome::Connect && stallAfter_) {
        const auto stall = std::find_if(script.begin(), script.end(), [&](const Notification& n) {
            return n.state == *stallAfter_;
        });
        if (stall != script.end()) script.erase(stall + 1, script.end());
    }
    return script;
}

std::uint32_t RasSimulator::Dial(const std::string& phoneBook, const RasDialParams& params,
                                 DialNotifier notifier, RasHandle& handle) {
    std::lock_guard lock(mutex_);
    Reap();
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
    if (std::any_of(connections_.begin(), connections_.end(),
                    [&](const Listed& c) { return c.connection.entryName == params.entryName; })) {
        return kRasErrorDialAlreadyInProgress;
    }

    handle = nextHandle_++;
    connections_.push_back(
        {{handle, params.entryName, entry->second.deviceType, entry->second.deviceName}, 0, {}});
    lastDial_ = params;
    recentNotifiers_.emplace_back(handle, notifier);
    if (recentNotifiers_.size() > kRecentNotifiers) recentNotifiers_.pop_front();
    if (outcome == SimOutcome::NoAnswer) return 0;

    auto run = std::make_shared<Run>();
    run->handle = handle;
    run->notifier = std::move(notifier);
    ++playing_;
    run->thread = std::thread(&RasSimulator::Play, this, run, ScriptFor(outcome));
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
    // The service's thread: it never reads the clock, which belongs to the caller's.
    for (std::size_t i = 0; i < script.size(); ++i) {
        {
            std::unique_lock lock(mutex_);
            if (!AwaitTurn(lock, *run)) break;
            Delivered(*run, script[i], i + 1 == script.size());
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

void RasSimulator::Delivered(const Run& run, const Notification& n, bool last) {
    const auto listed = FindListed(run.handle);
    if (listed != connections_.end() && !listed->goneAt) listed->state = n.state;
    if (last && n.error != 0 && !config_.keepFailedConnections) RemoveConnection(run.handle);
}

void RasSimulator::RemoveConnection(RasHandle handle) {
    if (std::erase_if(connections_,
                      [&](const Listed& c) { return c.connection.handle == handle; })) {
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
    Reap();
    const auto listed = FindListed(handle);
    const auto run = std::find_if(runs_.begin(), runs_.end(), [&](const auto& r) {
        return r->handle == handle && !r->cancelled;
    });
    if (listed == connections_.end() && run == runs_.end()) return kRasErrorInvalidHandle;
    if (listed != connections_.end() && !listed->goneAt) {
        if (hangUpError_ != 0) return hangUpError_;
        listed->goneAt = Now() + config_.hangUpDelay;
        listed->state = kRasStateDisconnected;
    }
    if (run != runs_.end()) (*run)->cancelled = true;
    Reap();  // a delay of 0 ends it here
    changed_.notify_all();
    return 0;
}

RasConnectStatus RasSimulator::ConnectStatus(RasHandle handle) {
    std::lock_guard lock(mutex_);
    Reap();
    const auto listed = FindListed(handle);
    if (listed == connections_.end()) return {kRasErrorInvalidHandle, 0};
    return {0, listed->state};
}

RasConnectionList RasSimulator::EnumConnections(RasConnLayout layout) {
    std::lock_guard lock(mutex_);
    Reap();
    if (layout == RasConnLayout::Oldest && oldestLayoutError_ != 0) {
        return {oldestLayoutError_, {}};
    }
    if (connections_.size() > kMaxListedConnections) return {kRasErrorBufferTooSmall, {}};
    RasConnectionList list;
    for (const Listed& c : connections_) list.connections.push_back(c.connection);
    return list;
}

RasErrorText RasSimulator::ErrorString(std::uint32_t code, std::size_t units) {
    const std::optional<std::string> text = SimErrorText(code);
    if (!text) return {kRasErrorInvalidParameter, {}};
    if (Utf16Length(*text) + 1 > units) return {kRasErrorInsufficientBuffer, {}};
    return {0, *text};
}

UserFolders RasSimulator::Folders() {
    return {config_.documentsFolder, config_.profileFolder, config_.roamingAppDataFolder};
}

bool RasSimulator::CreateFolder(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::string key = FolderKey(path);
    if (key.empty()) return false;
    // Its parents come into being with it.
    for (; !key.empty(); key = FolderKey(FolderOf(key))) folders_.insert(key);
    return true;
}

bool RasSimulator::FolderExists(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return folders_.contains(FolderKey(path));
}

bool RasSimulator::DeletePhoneBook(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (phoneBooks_.erase(path) != 0) ++deletions_;
    return true;
}

bool RasSimulator::Step(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    // No dial left to report: nothing will be held.
    const auto held = [&] { return waitingForStep_ > permits_ || playing_ == 0; };
    if (!changed_.wait_for(lock, timeout, held) || waitingForStep_ <= permits_) return false;
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
    Reap();
    const auto it = std::find_if(connections_.begin(), connections_.end(), [&](const Listed& c) {
        return c.connection.entryName == entryName && !c.goneAt;
    });
    if (it == connections_.end()) return false;
    for (auto& run : runs_) {
        if (run->handle == it->connection.handle) run->cancelled = true;
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
    connections_.push_back({{handle, entryName, deviceType, deviceName}, kRasStateConnected, {}});
    return handle;
}

bool RasSimulator::DeliverLateReport(RasHandle handle, std::uint32_t state, std::uint32_t error) {
    DialNotifier notifier;
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(recentNotifiers_.begin(), recentNotifiers_.end(),
                                     [&](const auto& n) { return n.first == handle; });
        if (it == recentNotifiers_.end()) return false;
        notifier = it->second;
    }
    if (notifier) notifier(0, state, error);
    return true;
}

void RasSimulator::SetHostOutcome(const std::string& host, SimOutcome outcome) {
    std::lock_guard lock(mutex_);
    config_.hostOutcomes[host] = outcome;
}

void RasSimulator::SetStepDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    config_.stepDelay = delay;
}

void RasSimulator::SetHangUpDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    config_.hangUpDelay = delay;
}

void RasSimulator::SetStallAfter(std::optional<std::uint32_t> state) {
    std::lock_guard lock(mutex_);
    stallAfter_ = state;
}

void RasSimulator::SetEntryError(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    entryError_ = code;
}

void RasSimulator::SetHangUpError(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    hangUpError_ = code;
}

void RasSimulator::SetOldestLayoutError(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    oldestLayoutError_ = code;
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

std::vector<RasConnection> RasSimulator::Connections() {
    std::lock_guard lock(mutex_);
    Reap();
    std::vector<RasConnection> list;
    for (const Listed& c : connections_) list.push_back(c.connection);
    return list;
}

}  // namespace xl::dial
