#pragma once
// Doubles for the dial tests: the connection panel as a recorder, and a pump
// that releases one held notification of the simulator per dispatch, so every
// dial runs the same way each time.
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

class SteppingPump : public MessagePump {
  public:
    explicit SteppingPump(RasSimulator& sim) : sim_(sim) {}

    PostToUiThread Poster() {
        return [this](std::function<void()> task) { queue_.Post(std::move(task)); };
    }
    void DispatchPending() override {
        if (stepWait.count() > 0) sim_.Step(stepWait);
        queue_.DispatchPending();
    }
    // The posted tasks alone, without looking for a notification.
    void RunPosted() { queue_.DispatchPending(); }
    void WaitDispatching(std::chrono::milliseconds d) override {
        if (stepWait.count() > 0) sim_.Step(stepWait);
        queue_.WaitDispatching(d);
    }

    // How long a dispatch looks for a held notification; 0 when none will come.
    std::chrono::milliseconds stepWait{500};

  private:
    RasSimulator& sim_;
    QueuedMessagePump queue_;
};

inline SimConfig SteppedConfig() {
    SimConfig config;
    config.stepByStep = true;
    config.documentsFolder = "C:\\Users\\测试\\Documents";
    return config;
}

inline constexpr const char* kProfilePbk =
    "C:\\Users\\测试\\AppData\\Roaming\\Microsoft\\Network\\Connections\\Pbk\\";

}  // namespace xl::dial::test
