#include "ui/catalogue/window_design.h"

namespace xl::ui {

const ControlDesign* WindowDesign::Find(const std::string& name) const {
    for (const ControlDesign& c : controls) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

namespace {
ControlDesign Row(std::string name, ControlKind kind, Rect r) {
    ControlDesign c;
    c.name = std::move(name);
    c.kind = kind;
    c.position = r;
    return c;
}
}  // namespace

ControlDesign Label(std::string name, Rect r) {
    return Row(std::move(name), ControlKind::TransparentLabel, r);
}

ControlDesign Edit(std::string name, Rect r) {
    return Row(std::move(name), ControlKind::EditField, r).WithBackground(kWhite);
}

ControlDesign PictureBox(std::string name, Rect r, std::string picture) {
    ControlDesign c = Row(std::move(name), ControlKind::PictureBox, r);
    c.pictures.normal = std::move(picture);
    return c;
}

ControlDesign CheckBox(std::string name, Rect r) {
    return PictureBox(std::move(name), r, pictures::kCheckOff).WithTag(kCheckBoxOffTag);
}

ControlDesign Radio(std::string name, Rect r, bool selected) {
    return PictureBox(std::move(name), r, selected ? pictures::kRadioOn : pictures::kRadioOff);
}

ControlDesign ImageButton(std::string name, Rect r, ImageSet set) {
    ControlDesign c = Row(std::move(name), ControlKind::ImageButton, r);
    c.pictures = std::move(set);
    return c;
}

ControlDesign ListView(std::string name, Rect r, std::vector<Column> columns) {
    ControlDesign c = Row(std::move(name), ControlKind::ListView, r);
    c.columns = std::move(columns);
    return c;
}

ControlDesign Timer(std::string name) {
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

const WindowDesign& CatalogueEntry(WindowId id) {
    switch (id) {
        case WindowId::Login:
            return LoginWindowDesign();
        case WindowId::Main:
            return MainWindowDesign();
        case WindowId::AdapterDialog:
            return AdapterDialogDesign();
        case WindowId::ConfirmDialog:
            break;
    }
    return ConfirmDialogDesign();
}

}  // namespace xl::ui
