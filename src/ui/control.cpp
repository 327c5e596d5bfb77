#include "ui/control.h"

#include <algorithm>

#include "ui/window.h"

namespace xl::ui {

Control::Control(Window& window, const ControlDesign& design, Control* parent)
    : window_(window),
      name_(design.name),
      kind_(design.kind),
      parent_(parent),
      position_(design.position),
      caption_(design.text),
      tag_(design.tag),
      pictures_(design.pictures),
      font_(design.font),
      colour_(design.colour),
      background_(design.background),
      centred_(design.centred),
      visible_(!design.startHidden && design.kind != ControlKind::Timer),
      columns_(design.columns) {}

void Control::Notify(Change what) {
    window_.ControlChanged(*this, what);
}

void Control::SetPosition(const Rect& r) {
    if (r == position_) return;
    position_ = r;
    Notify(Change::Position);
}

Rect Control::WindowRect() const {
    Rect r = position_;
    for (const Control* p = parent_; p != nullptr; p = p->parent_) {
        r.left += p->position_.left;
        r.top += p->position_.top;
    }
    return r;
}

void Control::SetCaption(std::string text) {
    const bool changed = text != caption_;
    caption_ = std::move(text);
    if (changed) Notify(Change::Caption);
    // A text field reports every setting of its text, as typing does.
    if (kind_ == ControlKind::EditField) window_.Raise(*this, EventKind::TextChange);
}

void Control::UserTyped(std::string text) {
    caption_ = std::move(text);
    window_.Raise(*this, EventKind::TextChange);
}

void Control::SetTag(std::string tag) {
    if (tag == tag_) return;
    tag_ = std::move(tag);
    Notify(Change::Tag);
}

void Control::SetPicture(std::string name) {
    if (name == pictures_.normal) return;
    pictures_.normal = std::move(name);
    Notify(Change::Picture);
}

void Control::SetPictures(ImageSet set) {
    if (set == pictures_) return;
    pictures_ = std::move(set);
    Notify(Change::Picture);
}

void Control::SetFont(const Font& f) {
    if (f == font_) return;
    font_ = f;
    Notify(Change::Font);
}

void Control::SetColour(const Colour& c) {
    if (c == colour_) return;
    colour_ = c;
    Notify(Change::Colour);
}

void Control::SetVisible(bool v) {
    if (kind_ == ControlKind::Timer || v == visible_) return;
    visible_ = v;
    Notify(Change::Visible);
}

bool Control::IsShown() const {
    return visible_ && (parent_ == nullptr || parent_->IsShown());
}

void Control::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    Notify(Change::Enabled);
}

int Control::AddRow() {
    if (kind_ != ControlKind::ListView) return -1;
    const std::size_t start = static_cast<std::size_t>(rowCount_) * columns_.size();
    cells_.resize(std::max(cells_.size(), start + columns_.size()));
    for (std::size_t i = start; i < start + columns_.size(); ++i) cells_[i].clear();
    changedRow_ = rowCount_++;
    changedColumn_ = -1;
    Notify(Change::RowAdded);
    return changedRow_;
}

bool Control::SetCell(int row, int column, std::string text) {
    if (row < 0 || row >= RowCount() || column < 0 || column >= static_cast<int>(columns_.size())) {
        return false;
    }
    cells_[static_cast<std::size_t>(row) * columns_.size() + static_cast<std::size_t>(column)] =
        std::move(text);
    changedRow_ = row;
    changedColumn_ = column;
    Notify(Change::CellSet);
    return true;
}

const std::string& Control::Cell(int row, int column) const {
    static const std::string kEmpty;
    if (row < 0 || row >= RowCount() || column < 0 || column >= static_cast<int>(columns_.size())) {
        return kEmpty;
    }
    return cells_[static_cast<std::size_t>(row) * columns_.size() +
                  static_cast<std::size_t>(column)];
}

void Control::DeleteAllRows() {
    if (kind_ != ControlKind::ListView) return;
    cells_.clear();
    rowCount_ = 0;
    chosenRow_ = -1;
    Notify(Change::RowsCleared);
}

void Control::SetRows(std::vector<std::string> cells) {
    if (columns_.empty()) return;
    const std::size_t width = columns_.size();
    const std::size_t rows = (cells.size() + width - 1) / width;
    cells.resize(rows * width);
    ExchangeRows(cells, static_cast<int>(rows));
}

void Control::ExchangeRows(std::vector<std::string>& cells, int rows) {
    if (kind_ != ControlKind::ListView) return;
    const std::size_t width = columns_.size();
    rows = std::clamp(rows, 0, width == 0 ? 0 : static_cast<int>(cells.size() / width));
    cells_.swap(cells);
    rowCount_ = rows;
    chosenRow_ = -1;
    Notify(Change::RowsReplaced);
}

void Control::ChooseRow(int row) {
    if (row < 0 || row >= RowCount()) row = -1;
    if (row == chosenRow_) return;
    chosenRow_ = row;
    Notify(Change::RowChosen);
}

void Control::UserChoseRow(int row) {
    if (row >= RowCount()) return;
    if (row < 0) row = -1;
    if (row == chosenRow_) return;
    chosenRow_ = row;
    if (row >= 0) window_.Raise(*this, EventKind::RowChosen);
}

void Control::UserClickedRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    const bool moved = row != chosenRow_;
    chosenRow_ = row;
    // As one user action: a handler of the first may close the window.
    if (moved) {
        window_.Raise(*this, {EventKind::RowChosen, EventKind::RowClicked});
    } else {
        window_.Raise(*this, EventKind::RowClicked);
    }
}

void Control::SetInterval(int ms) {
    if (kind_ != ControlKind::Timer) return;
    ms = std::max(ms, 0);
    // Setting the same interval again restarts the count, as a window timer does.
    interval_ = ms;
    Notify(Change::Interval);
}

}  // namespace xl::ui
