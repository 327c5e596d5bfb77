#pragma once
// The one yes-or-no question window: "log out?" or "quit?", asked from the
// main window and acted on when confirmed. Not modal; asking again while it
// is shown replaces the question in place. User-interface thread only.
#include <functional>
#include <string>

#include "ui/window_system.h"

namespace xl::ui {

inline constexpr char kAskLogout[] = "确认注销吗？";
inline constexpr char kAskQuit[] = "确认退出程序吗？";

class ConfirmDialog {
  public:
    struct Actions {
        std::function<void()> showLoginWindow;
        std::function<void()> showMainWindow;
        std::function<void()> hideMainWindow;
        std::function<void()> exitProgram;
    };

    ConfirmDialog(WindowSystem& windows, Actions actions);
    void Bind();

    void AskConfirmation(const std::string& question);
    void ConfirmClicked();
    void CancelClicked();
    void CloseClicked();

    const std::string& ConfirmPrompt() const { return confirmPrompt_; }

  private:
    void ShowPrompt(Window& dialog);

    WindowSystem& windows_;
    Actions actions_;
    std::string confirmPrompt_;
};

}  // namespace xl::ui
