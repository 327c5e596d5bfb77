#include "ui/handlers/adapter_dialog.h"

#include <utility>
#include <vector>

#include "ui/handlers/check_box.h"
#include "ui/handlers/main_controls.h"

namespace xl::ui {
namespace {

using namespace main_window;

constexpr char kChosenNameLabel[] = "透明标签_已选网卡名称";
constexpr char kDropDownLabel[] = "透明标签_下拉框";
constexpr char kAdapterList[] = "超级列表框_网卡列表";
constexpr char kResultLabel[] = "透明标签_确定结果";

}  // namespace

AdapterDialog::AdapterDialog(Services services) : s_(std::move(services)) {}

void AdapterDialog::Bind() {
    WindowSystem& w = s_.windows;
    const WindowId m = WindowId::Main;
    w.OnClick(m, "透明标签_恢复网卡", [this] { RestoreAdapter(); });
    // Bound by name, so a dialog rebuilt after Esc gets them again.
    const WindowId d = WindowId::AdapterDialog;
    w.OnCreated(d, [this](Window& dialog) { Fill(dialog); });
    w.OnClick(d, kDropDownLabel, [this] { ToggleAdapterList(); });
    w.OnClick(d, kChosenNameLabel, [this] { ToggleAdapterList(); });
    // A move of the selection picks (the keys too: a pick here asks nothing of
    // anyone), and so does a click on the row already chosen, which moves
    // nothing, so the list folds up as the province list does.
    w.OnRowChosen(d, kAdapterList, [this] { AdapterRowChosen(); });
    w.OnRowClicked(d, kAdapterList, [this] { AdapterRowChosen(); });
    w.OnClick(d, "超级按钮_确定", [this] { Confirm(); });
    w.OnClick(d, "超级按钮_取消", [this] { Hide(); });
    w.OnClick(d, "透明标签_关闭", [this] { Hide(); });
}

Control* AdapterDialog::Get(const char* name) const {
    return s_.windows.Find(WindowId::AdapterDialog, name);
}

void AdapterDialog::RestoreAdapter() {
    s_.supervisor.RestoreAdapter();
}

void AdapterDialog::Fill(Window& dialog) {
    const std::string& chosen = s_.supervisor.Options().chosenAdapterName;
    if (!chosen.empty()) {
        if (Control* label = dialog.Find(kChosenNameLabel)) label->SetCaption(chosen);
    }
    Control* list = dialog.Find(kAdapterList);
    if (list == nullptr) return;
    const int count = s_.adapters.Enumerate();
    // Rows in enumeration order; an adapter without a connection name gives an empty row.
    std::vector<std::string> cells;
    std::string listed;
    for (const net::AdapterInfo& adapter : s_.adapters.Adapters()) {
        cells.push_back(adapter.connectionName);
        listed += " \"" + adapter.connectionName + "\"";
    }
    list->SetRows(std::move(cells));
    s_.log.Write("网卡列表: " + std::to_string(count) + " 个" + listed);
}

void AdapterDialog::ToggleAdapterList() {
    if (Control* list = Get(kAdapterList)) list->SetVisible(!list->visible());
}

void AdapterDialog::AdapterRowChosen() {
    Control* list = Get(kAdapterList);
    if (list == nullptr || list->chosenRow() < 0) return;
    const std::string name = list->Cell(list->chosenRow(), 0);
    // Kept for this run even if the dialog is cancelled.
    s_.supervisor.ChooseAdapter(name);
    if (Control* label = Get(kChosenNameLabel)) label->SetCaption(name);
    list->Hide();
    if (Control* result = Get(kResultLabel)) result->SetCaption("");
}

void AdapterDialog::Confirm() {
    if (!s_.supervisor.ConfirmDisableOnDrop()) {
        if (Control* result = Get(kResultLabel)) result->SetCaption(kNoAdapterChosenText);
        return;
    }
    Hide();
    if (Control* box = Find(s_.windows, kDisableOnDropBox)) SetCheckBox(*box, true);
    if (Control* result = Get(kResultLabel)) result->SetCaption("");
    s_.settings.WriteSwitch(app::kDisableOnDrop, true);
    s_.settings.WriteSetting(app::kChosenAdapterName, s_.supervisor.Options().chosenAdapterName);
    SetTimer(s_.windows, kDisableOnDropTimer, app::kDisableOnDropIntervalMs);
}

void AdapterDialog::Hide() {
    if (Window* dialog = s_.windows.Existing(WindowId::AdapterDialog)) dialog->Hide();
}

}  // namespace xl::ui
