#include "ui/handlers/confirm_dialog.h"

namespace xl::ui {
namespace {
constexpr char kPromptLabel[] = "透明标签_提示信息";
}

ConfirmDialog::ConfirmDialog(WindowSystem& windows, Actions actions)
    : windows_(windows), actions_(std::move(actions)) {}

void ConfirmDialog::Bind() {
    const WindowId d = WindowId::ConfirmDialog;
    // Bound by name, so a dialog rebuilt after Esc gets them again.
    windows_.OnCreated(d, [this](Window& dialog) { ShowPrompt(dialog); });
    windows_.OnClick(d, "超级按钮_确认", [this] { ConfirmClicked(); });
    windows_.OnClick(d, "超级按钮_取消", [this] { CancelClicked(); });
    windows_.OnClick(d, "透明标签_关闭", [this] { CloseClicked(); });
}

void ConfirmDialog::ShowPrompt(Window& dialog) {
    if (Control* label = dialog.Find(kPromptLabel)) label->SetCaption(confirmPrompt_);
}

void ConfirmDialog::AskConfirmation(const std::string& question) {
    confirmPrompt_ = question;
    Window& dialog = windows_.Open(WindowId::ConfirmDialog);
    dialog.Show();
    ShowPrompt(dialog);
}

void ConfirmDialog::ConfirmClicked() {
    if (confirmPrompt_ == kAskLogout) {
        actions_.showLoginWindow();
        if (Window* d = windows_.Existing(WindowId::ConfirmDialog)) d->Hide();
        actions_.hideMainWindow();
    } else if (confirmPrompt_ == kAskQuit) {
        actions_.exitProgram();
    }
}

void ConfirmDialog::CancelClicked() {
    if (Window* d = windows_.Existing(WindowId::ConfirmDialog)) d->Hide();
    actions_.showMainWindow();
}

void ConfirmDialog::CloseClicked() {
    if (Window* d = windows_.Existing(WindowId::ConfirmDialog)) d->Hide();
}

}  // namespace xl::ui
