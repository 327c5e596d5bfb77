#pragma once
// Doubles for the supervisor's tests: a connection panel that behaves like
// the main window's (connect, disconnect, button from the live list, progress
// texts through the real notifier), a pump on a virtual clock that can run a
// hook inside every dispatch, and the main window's timers on that clock.
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "dial/connection_supervisor.h"
#include "dial/dial_engine.h"
#include "dial/dial_progress.h"
#include "dial/queued_message_pump.h"
#include "dial/ras_simulator.h"

namespace xl::dial::test {

inline constexpr const char* kSupervisedEntry = "岫澜IP";

class FakePanel : public SupervisedConnection {
  public:
    FakePanel(DialEngine& engine, PostToUiThread post)
        : engine_(engine), progress_(engine, *this, std::move(post)) {}

    void SetStatusCaption(const std::string& text) override {
        caption = text;
        captions.push_back(text);
    }
    std::string StatusCaption() override { return caption; }
    void RefreshConnectButton() override { tag = engine_.IsVpnConnected() ? "断开" : "连接"; }
    std::string ConnectButtonTag() override { return tag; }
    void SetIpLabels(const std::string& text) override {
        ipLabels = text;
        ipHistory.push_back(text);
    }
    void ToggleConnection() override {
        if (tag == "连接") {
            SetIpLabels("连接中...");
            ++dials;
            engine_.Dial(kSupervisedEntry, "vpn1.example.net", "alice", "secret", kStrategyPptp,
                         progress_.Notifier());
            RefreshConnectButton();
            return;
        }
        engine_.HangUpVpn("");
        const bool up = engine_.IsVpnConnected();
        SetStatusCaption(up ? "已连接" : "已断开");
        if (!up) SetIpLabels("- -");
        RefreshConnectButton();
    }

    bool Saw(const std::string& text) const {
        return std::find(captions.begin(), captions.end(), text) != captions.end();
    }
    bool ShowedIp(const std::string& text) const {
        return std::find(ipHistory.begin(), ipHistory.end(), text) != ipHistory.end();
    }
    void ForgetHistory() {
        captions.clear();
        ipHistory.clear();
    }

    std::string tag = "连接";
    std::string caption = "未连接";
    std::string ipLabels = "- -";
    std::vector<std::string> captions;
    std::vector<std::string> ipHistory;
    int dials = 0;

  private:
    DialEngine& engine_;
    DialProgress progress_;
};

// Waits take no real time: PumpingWait advances `waited` and dispatches. The
// simulator measures its hang-ups on `waited` (Clock()).
class FakePump : public MessagePump {
  public:
    SimClock Clock() {
        return [this] { return waited; };
    }
    void Post(std::function<void()> task) { queue_.Post(std::move(task)); }
    void DispatchPending() override {
        RunHook();
        queue_.DispatchPending();
    }
    void WaitDispatching(std::chrono::milliseconds d) override {
        waited += d;
        RunHook();
        queue_.DispatchPending();
    }
    // Real time: dispatches as tasks arrive until `done` or `limit`.
    bool DispatchUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            queue_.WaitDispatching(std::chrono::milliseconds(2));
        }
        return true;
    }

    // Runs inside every dispatch (never inside itself): ticks and clicks that
    // arrive while a wait or a dial pumps messages.
    std::function<void()> onDispatch;
    std::chrono::milliseconds waited{0};

  private:
    void RunHook() {
        if (!onDispatch || inHook_) return;
        inHook_ = true;
        onDispatch();
        inHook_ = false;
    }

    QueuedMessagePump queue_;
    bool inHook_ = false;
};

// The main window's timers on a virtual clock; an interval of 0 stops one.
// After() runs a task once, as the window system's delayed tasks do.
class VirtualTimers {
  public:
    void After(std::chrono::milliseconds delay, std::function<void()> task) {
        const int id = nextOnceId_--;
        Start(id, delay, [this, id, task = std::move(task)] {
            Stop(id);
            task();
        });
    }
    PostDelayed Poster() {
        return [this](std::chrono::milliseconds delay, std::function<void()> task) {
            After(delay, std::move(task));
        };
    }
    void Start(int id, std::chrono::milliseconds interval, std::function<void()> tick) {
        Stop(id);
        if (interval.count() > 0)
            timers_.push_back({id, interval, now + interval, std::move(tick)});
    }
    void Stop(int id) {
        std::erase_if(timers_, [&](const Timer& t) { return t.id == id; });
    }
    // Fires every tick due up to now + d, in time order.
    void Advance(std::chrono::milliseconds d) {
        const auto end = now + d;
        for (;;) {
            auto next =
                std::min_element(timers_.begin(), timers_.end(),
                                 [](const Timer& a, const Timer& b) { return a.due < b.due; });
            if (next == timers_.end() || next->due > end) break;
            now = next->due;
            next->due += next->interval;
            const auto tick = next->tick;  // a tick may start or stop timers
            tick();
        }
        // A tick may have advanced the clock itself (a nested pump).
        now = std::max(now, end);
    }

    std::chrono::milliseconds now{0};

  private:
    struct Timer {
        int id;
        std::chrono::milliseconds interval;
        std::chrono::milliseconds due;
        std::function<void()> tick;
    };
    std::vector<Timer> timers_;
    int nextOnceId_ = -1;  // one-shot tasks take ids below the timers'
};

// Every dial connects at its own pace; the pause keeps the last progress text
// well behind the moment the dial starts waiting for it (an earlier one is
// not seen, as with the service).
inline SimConfig FreeRunningConfig(SimClock clock,
                                   std::chrono::milliseconds pace = std::chrono::milliseconds(2)) {
    SimConfig config;
    config.stepDelay = pace;
    config.documentsFolder = "C:\\Users\\测试\\Documents";
    config.clock = std::move(clock);
    return config;
}

}  // namespace xl::dial::test
