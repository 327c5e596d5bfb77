#pragma once
// The progress notifier of a dial. The service calls it on a thread of its own
// with each connection state or error; the text is stored at once (the dial
// wait polls it), while the status line, the hang-up after a hard error and the
// connect button belong to the user-interface thread and are posted there. A
// posted report that finds a newer dial started is dropped; reports that
// arrive after their dial was hung up never get here (the engine drops them).
#include <cstdint>
#include <functional>
#include <string>

#include "dial/dial_engine.h"
#include "dial/ras_api.h"

namespace xl::dial {

// The part of the main window's connection panel the notifier reaches.
class ConnectionStatusView {
  public:
    virtual ~ConnectionStatusView() = default;
    // Caption of the status label 透明标签_连接状态.
    virtual void SetStatusCaption(const std::string& text) = 0;
    virtual std::string StatusCaption() = 0;
    // The connect button's state from the live connection list.
    virtual void RefreshConnectButton() = 0;
};

// Runs a task on the user-interface thread; callable from any thread.
using PostToUiThread = std::function<void(std::function<void()>)>;

inline constexpr const char* kHardErrorAdvice = "发生错误，如果多次出现该错误请重启网络或系统。";

class DialProgress {
  public:
    DialProgress(DialEngine& engine, ConnectionStatusView& view, PostToUiThread post);

    // The notifier proper; runs on the service's thread.
    void OnDialProgress(std::uint32_t message, std::uint32_t state, std::uint32_t error);
    // OnDialProgress bound to this object, to hand to DialEngine::Dial.
    DialNotifier Notifier();

  private:
    void ShowOnUiThread(std::uint32_t state, std::uint32_t error, const std::string& text);

    DialEngine& engine_;
    ConnectionStatusView& view_;
    PostToUiThread post_;
};

}  // namespace xl::dial
