#pragma once
// Doubles for the dial tests: the connection panel as a recorder, a clock the
// test moves, and a pump that releases one held notification of the simulator
// per dispatch and moves that clock by its waits, so every dial and hang-up
// runs the same way each time, without real waiting.
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "dial/dial_progress.h"
#include "dial/message_pump.h"
#include "dial/queued_message_pump.h"
#include "dial/ras_simulator.h"

namespace xl::dial::test {

class RecordingView : public ConnectionStatusView {
  public:
    void SetStatusCaption(const std::string& text) override {
        caption = text;
        captions.push_back(text);
    }
    std::string StatusCaption() override { return caption; }
    void RefreshConnectButton() override { ++buttonRefreshes; }

    std::string caption;
    std::vector<std::string> captions;
    int buttonRefreshes = 0;
};

// The simulator's clock in the dial tests; only the test's thread moves it.
struct ManualClock {
    std::chrono::milliseconds now{0};
    SimClock Reader() {
        return [this] { return now; };
    }
};

class SteppingPump : public MessagePump {
  public:
    SteppingPump(RasSimulator& sim, ManualClock& clock) : sim_(sim), clock_(clock) {}

    PostToUiThread Poster() {
        return [this](std::function<void()> task) { queue_.Post(std::move(task)); };
    }
    void DispatchPending() override {
        if (stepWait.count() > 0) sim_.Step(stepWait);
        queue_.DispatchPending();
    }
    // The posted tasks alone, without looking for a notification.
    void RunPosted() { queue_.DispatchPending(); }
    // Moves the clock, not real time.
    void WaitDispatching(std::chrono::milliseconds d) override {
        clock_.now += d;
        DispatchPending();
    }

    // How long a dispatch looks for a held notification; 0 when none will come.
    std::chrono::milliseconds stepWait{500};

  private:
    RasSimulator& sim_;
    ManualClock& clock_;
    QueuedMessagePump queue_;
};

inline SimConfig SteppedConfig(ManualClock& clock) {
    SimConfig config;
    config.stepByStep = true;
    config.documentsFolder = "C:\\Users\\测试\\Documents";
    config.clock = clock.Reader();
    return config;
}

// The stepped simulator, its clock and its pump, for tests that need no more.
struct SteppedRig {
    ManualClock clock;
    RasSimulator sim{SteppedConfig(clock)};
    SteppingPump pump{sim, clock};
};

inline constexpr const char* kProfilePbk =
    "C:\\Users\\测试\\AppData\\Roaming\\Microsoft\\Network\\Connections\\Pbk\\";

}  // namespace xl::dial::test
