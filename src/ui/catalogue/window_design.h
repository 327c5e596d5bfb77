#pragma once
// What a window and its controls are at start: the design data that the window
// layer builds windows from. Positions are 96-DPI pixels; the Win32 backend
// scales them to the monitor.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xl::ui {

enum class WindowId { Login, Main, AdapterDialog, ConfirmDialog };

enum class ControlKind { TransparentLabel, EditField, PictureBox, ImageButton, ListView, Timer };

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
    bool Contains(int x, int y) const {
        return x >= left && y >= top && x < left + width && y < top + height;
    }
};

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Colour&) const = default;
};

inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};
inline constexpr Colour kRed{255, 0, 0};
inline constexpr Colour kGreen{39, 159, 137};

// pixels == 0 means the system's default font.
inline constexpr bool kNormal = false;
inline constexpr bool kBold = true;

struct Font {
    int pixels = 0;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

struct Column {
    std::string title;
    int width = 0;
    bool operator==(const Column&) const = default;
};

// Picture names (see ui/picture.h). A picture box uses only `normal`.
struct ImageSet {
    std::string normal, lit, disabled;
    bool operator==(const ImageSet&) const = default;
};

struct ControlDesign {
    std::string name;
    ControlKind kind = ControlKind::TransparentLabel;
    Rect position;       // within the window, or within `parent` when named
    std::string parent;  // a picture box of the same window, or empty
    std::string text;
    Font font;
    Colour colour = kBlack;
    std::optional<Colour> background;  // edit fields only
    bool centred = false;              // edit fields: text centred
    ImageSet pictures;
    std::string tag;
    bool startHidden = false;
    std::vector<Column> columns;  // list views

    // Chained modifiers so that the catalogue reads like its tables.
    ControlDesign& WithText(std::string t) { return text = std::move(t), *this; }
    ControlDesign& WithFont(int pixels, bool bold) { return font = {pixels, bold}, *this; }
    ControlDesign& WithColour(xl::ui::Colour c) { return colour = c, *this; }
    ControlDesign& WithBackground(xl::ui::Colour c) { return background = c, *this; }
    ControlDesign& Centred() { return centred = true, *this; }
    ControlDesign& WithTag(std::string t) { return tag = std::move(t), *this; }
    ControlDesign& In(std::string p) { return parent = std::move(p), *this; }
    ControlDesign& StartHidden() { return startHidden = true, *this; }
};

struct WindowDesign {
    WindowId id = WindowId::Login;
    std::string title;
    int width = 0, height = 0;
    std::string face;       // background picture of the window's size
    bool movable = false;   // dragged by its face outside the controls
    bool isDialog = false;  // Esc destroys it; it is created again on next use
    // Pressed by Enter wherever the focus is, unless the focused control
    // takes Enter itself (as a dialog box's default push button).
    std::string defaultButton;
    std::vector<ControlDesign> controls;

    const ControlDesign* Find(const std::string& name) const;
};

// Constructors of table rows.
ControlDesign Label(std::string name, Rect r);
ControlDesign Edit(std::string name, Rect r);
ControlDesign PictureBox(std::string name, Rect r, std::string picture);
ControlDesign CheckBox(std::string name, Rect r);  // unticked: tag kCheckBoxOffTag
ControlDesign Radio(std::string name, Rect r, bool selected);
ControlDesign ImageButton(std::string name, Rect r, ImageSet pictures);
ControlDesign ListView(std::string name, Rect r, std::vector<Column> columns);
ControlDesign Timer(std::string name);

// A picture check box keeps its state in its tag, as these texts.
inline constexpr const char* kCheckBoxOnTag = "yes";
inline constexpr const char* kCheckBoxOffTag = "no";

// Picture names shared by the catalogue and the handlers.
namespace pictures {
inline constexpr const char* kCheckOn = "check_on";
inline constexpr const char* kCheckOff = "check_off";
inline constexpr const char* kRadioOn = "radio_on";
inline constexpr const char* kRadioOff = "radio_off";
ImageSet ConnectButton();
ImageSet DisconnectButton();
ImageSet SwitchButton();
ImageSet LoginButton();
ImageSet OkButton();
ImageSet CancelButton();
}  // namespace pictures

const WindowDesign& LoginWindowDesign();
const WindowDesign& MainWindowDesign();
const WindowDesign& AdapterDialogDesign();
const WindowDesign& ConfirmDialogDesign();
const WindowDesign& CatalogueEntry(WindowId id);

}  // namespace xl::ui
