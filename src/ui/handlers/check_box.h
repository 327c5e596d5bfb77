#pragma once
// Picture check boxes keep their state in their tag, as the catalogue's on and
// off texts, and show the ticked or unticked art; handlers read the state
// through these, never the tag's text or the picture.
#include <optional>

#include "ui/catalogue/window_design.h"
#include "ui/control.h"

namespace xl::ui {

inline void SetCheckBox(Control& box, bool on) {
    box.SetTag(on ? kCheckBoxOnTag : kCheckBoxOffTag);
    box.SetPicture(on ? pictures::kCheckOn : pictures::kCheckOff);
}

inline bool CheckBoxOn(const Control& box) {
    return box.tag() == kCheckBoxOnTag;
}

// On, off, or neither: a tag other than the two texts.
inline std::optional<bool> CheckBoxState(const Control& box) {
    if (box.tag() == kCheckBoxOnTag) return true;
    if (box.tag() == kCheckBoxOffTag) return false;
    return std::nullopt;
}

inline void SetRadio(Control& box, bool selected) {
    box.SetPicture(selected ? pictures::kRadioOn : pictures::kRadioOff);
}

}  // namespace xl::ui
