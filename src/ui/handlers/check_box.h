#pragma once
// Picture check boxes keep their state as "yes" or "no" in their tag and show
// the ticked or unticked art; handlers read the tag, never the picture.
#include <string>
#include <string_view>

#include "ui/catalogue/window_design.h"
#include "ui/control.h"

namespace xl::ui {

inline void SetCheckBox(Control& box, bool on) {
    box.SetTag(on ? "yes" : "no");
    box.SetPicture(on ? pictures::kCheckOn : pictures::kCheckOff);
}

inline bool CheckBoxOn(const Control& box) {
    return box.tag() == "yes";
}

inline void SetRadio(Control& box, bool selected) {
    box.SetPicture(selected ? pictures::kRadioOn : pictures::kRadioOff);
}

}  // namespace xl::ui
