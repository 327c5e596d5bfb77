#include "dial/dial_progress.h"

#include <utility>

#include "gbk/characters.h"

namespace xl::dial {

namespace {
// Error texts holding this word are hard errors: the attempt is ended at once.
constexpr const char* kHardErrorWord = "不";
}  // namespace

DialProgress::DialProgress(DialEngine& engine, ConnectionStatusView& view, PostToUiThread post)
    : engine_(engine), view_(view), post_(std::move(post)) {}

void DialProgress::OnDialProgress(std::uint32_t /*message*/, std::uint32_t state,
                                  std::uint32_t error) {
    // Called while the engine holds its report lock: the count is this report's dial.
    const std::uint64_t dial = engine_.DialCount();
    std::string text = engine_.StateText(state, error);
    post_([this, dial, state, error, text = std::move(text)] {
        // A newer dial has started: this report is not its own (its hang-up
        // would end the new attempt).
        if (dial != engine_.DialCount()) return;
        ShowOnUiThread(state, error, text);
    });
}

DialNotifier DialProgress::Notifier() {
    return [this](std::uint32_t message, std::uint32_t state, std::uint32_t error) {
        OnDialProgress(message, state, error);
    };
}

void DialProgress::ShowOnUiThread(std::uint32_t state, std::uint32_t error,
                                  const std::string& text) {
    view_.SetStatusCaption(text);
    if (!gbk::Contains(view_.StatusCaption(), kHardErrorWord)) return;
    view_.SetStatusCaption(kHardErrorAdvice + engine_.StateText(state, error));
    engine_.HangUpVpn("");
    view_.RefreshConnectButton();
}

}  // namespace xl::dial
