#pragma once
// A control as the handlers see it: its state, readable and settable by name,
// with no platform handle in sight. The backend of its window is told of every
// change so that the screen follows the model.
#include <string>
#include <vector>

#include "ui/catalogue/window_design.h"

namespace xl::ui {

class Window;

// What changed in a control, for the backend to mirror.
enum class Change {
    Position,
    Caption,
    Tag,
    Picture,
    Font,
    Colour,
    Visible,
    Enabled,
    RowsCleared,
    RowsReplaced,
    RowAdded,
    CellSet,
    RowChosen,
    Interval,
};

class Control {
  public:
    Control(Window& window, const ControlDesign& design, Control* parent);

    Window& window() const { return window_; }
    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }
    Control* parent() const { return parent_; }

    // Left, top, width, height relative to the parent control, or to the
    // window when there is none.
    const Rect& position() const { return position_; }
    void SetPosition(const Rect& r);
    void MoveTo(int left, int top) { SetPosition({left, top, position_.width, position_.height}); }
    // The same rectangle relative to the window.
    Rect WindowRect() const;

    // For an edit field the caption is its text; setting it raises the
    // text-change event as typing does.
    const std::string& caption() const { return caption_; }
    void SetCaption(std::string text);

    const std::string& tag() const { return tag_; }
    void SetTag(std::string tag);

    // The normal picture (picture boxes and image buttons).
    const std::string& picture() const { return pictures_.normal; }
    void SetPicture(std::string name);
    const ImageSet& pictures() const { return pictures_; }
    void SetPictures(ImageSet set);

    const Font& font() const { return font_; }
    void SetFont(const Font& f);
    const Colour& colour() const { return colour_; }
    void SetColour(const Colour& c);
    const std::optional<Colour>& background() const { return background_; }
    bool centred() const { return centred_; }

    // The control's own flag; a control inside a hidden picture box is not
    // seen either (IsShown).
    bool visible() const { return visible_; }
    void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool IsShown() const;
    bool enabled() const { return enabled_; }
    void SetEnabled(bool e);

    // List views. Rows and columns count from 0; a missing cell reads empty.
    const std::vector<Column>& columns() const { return columns_; }
    int RowCount() const { return rowCount_; }
    int AddRow();  // appends an empty row, returns its index
    // False (and nothing stored) when the row or column does not exist.
    bool SetCell(int row, int column, std::string text);
    const std::string& Cell(int row, int column) const;
    void DeleteAllRows();
    // Replaces every row at once, with one change for the backend however
    // many rows there are: `cells` row after row, as many per row as there
    // are columns (a short last row is padded with empty cells).
    void SetRows(std::vector<std::string> cells);
    // The same for callers that refill large lists: the first `rows` rows of
    // `cells` become the rows, and `cells` gets the previous block back, its
    // strings kept for the next fill to write into without allocating.
    void ExchangeRows(std::vector<std::string>& cells, int rows);
    // The chosen row, -1 when none. Choosing from code raises no event.
    int chosenRow() const { return chosenRow_; }
    void ChooseRow(int row);

    // Timers: milliseconds between ticks, 0 = stopped.
    int interval() const { return interval_; }
    void SetInterval(int ms);

    // Called by backends for what the user did; these raise the events.
    void UserTyped(std::string text);
    // The selection moved to `row` (RowChosen), or went (-1, no event). A row
    // that is already the chosen one raises nothing.
    void UserChoseRow(int row);
    // A click on `row`: it becomes the chosen row (RowChosen) if it was not,
    // then RowClicked, also when nothing moved.
    void UserClickedRow(int row);

    // The row and column of the latest RowAdded / CellSet change.
    int changedRow() const { return changedRow_; }
    int changedColumn() const { return changedColumn_; }

  private:
    void Notify(Change what);

    Window& window_;
    std::string name_;
    ControlKind kind_;
    Control* parent_;
    Rect position_;
    std::string caption_;
    std::string tag_;
    ImageSet pictures_;
    Font font_;
    Colour colour_;
    std::optional<Colour> background_;
    bool centred_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    std::vector<Column> columns_;
    // Row after row, one cell per column: one block for any number of rows.
    // Cells past the last row are spare storage from an exchange.
    std::vector<std::string> cells_;
    int rowCount_ = 0;
    int chosenRow_ = -1;
    int interval_ = 0;
    int changedRow_ = -1, changedColumn_ = -1;
};

}  // namespace xl::ui
