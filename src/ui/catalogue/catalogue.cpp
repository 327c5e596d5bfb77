#include "ui/catalogue/window_spec.h"

namespace xl::ui {

const ControlSpec* WindowSpec::Find(const std::string& name) const {
    for (const ControlSpec& c : controls) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

namespace {
ControlSpec Row(std::string name, ControlKind kind, Rect r) {
    ControlSpec c;
    c.name = std::move(name);
    c.kind = kind;
    c.position = r;
    return c;
}
}  // namespace

ControlSpec Label(std::string name, Rect r) {
    return Row(std::move(name), ControlKind::TransparentLabel, r);
}

ControlSpec Edit(std::string name, Rect r) {
    return Row(std::move(name), ControlKind::EditField, r).WithBackground(kWhite);
}

ControlSpec PictureBox(std::string name, Rect r, std::string picture) {
    ControlSpec c = Row(std::move(name), ControlKind::PictureBox, r);
    c.pictures.normal = std::move(picture);
    return c;
}

ControlSpec CheckBox(std::string name, Rect r) {
    return PictureBox(std::move(name), r, pictures::kCheckOff).WithTag("no");
}

ControlSpec Radio(std::string name, Rect r, bool selected) {
    return PictureBox(std::move(name), r, selected ? pictures::kRadioOn : pictures::kRadioOff);
}

ControlSpec ImageButton(std::string name, Rect r, ImageSet set) {
    ControlSpec c = Row(std::move(name), ControlKind::ImageButton, r);
    c.pictures = std::move(set);
    return c;
}

ControlSpec ListView(std::string name, Rect r, std::vector<Column> columns) {
    ControlSpec c = Row(std::move(name), ControlKind::ListView, r);
    c.columns = std::move(columns);
    return c;
}

ControlSpec Timer(std::string name) {
    return Row(std::move(name), ControlKind::Timer, {});
}

namespace pictures {
ImageSet ConnectButton() {
    return {"connect_normal", "connect_lit", "connect_disabled"};
}
ImageSet DisconnectButton() {
    return {"disconnect_normal", "disconnect_lit", "disconnect_disabled"};
}
// One picture serves all three states of these buttons.
ImageSet SwitchButton() {
    return {"switch_ip", "switch_ip", "switch_ip"};
}
ImageSet LoginButton() {
    return {"login_normal", "login_lit", "login_disabled"};
}
ImageSet OkButton() {
    return {"ok_button", "ok_button", "ok_button"};
}
ImageSet CancelButton() {
    return {"cancel_button", "cancel_button", "cancel_button"};
}
}  // namespace pictures

const WindowSpec& CatalogueEntry(WindowId id) {
    switch (id) {
        case WindowId::Login:
            return LoginWindowSpec();
        case WindowId::Main:
            return MainWindowSpec();
        case WindowId::AdapterDialog:
            return AdapterDialogSpec();
        case WindowId::ConfirmDialog:
            break;
    }
    return ConfirmDialogSpec();
}

}  // namespace xl::ui
