// The face window's list views. Each is an owner-data list: the native control
// holds only a row count and the selection, and asks for a cell's text when it
// draws it, so a fill of 20,000 rows is one message plus the text of the rows
// on screen, and the model stays the only copy of the rows.
#include <algorithm>
#include <cwchar>

#include "ui/win32_backend/face_window_win32.h"
#include "win32/text.h"

namespace xl::ui::win32_backend {

HWND FaceWindow::CreateListView(const Control& c, DWORD style, HMENU id) {
    // Column headings are part of the face picture; drop-down lists get a frame.
    style |= LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER |
             LVS_NOSORTHEADER | (c.visible() ? 0 : WS_BORDER);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", style, 0, 0, 0, 0, hwnd(), id,
                                GetModuleHandleW(nullptr), nullptr);
    if (list == nullptr) return nullptr;
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (size_t col = 0; col < c.columns().size(); ++col) {
        std::wstring title = win32::Widen(c.columns()[col].title);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        lvc.pszText = title.data();
        lvc.cx = Scale(c.columns()[col].width, dpi_);  // width 0 keeps a column hidden
        lvc.iSubItem = static_cast<int>(col);
        SendMessageW(list, LVM_INSERTCOLUMNW, col, reinterpret_cast<LPARAM>(&lvc));
    }
    ListView_SetItemCountEx(list, c.RowCount(), LVSICF_NOSCROLL);
    return list;
}

void FaceWindow::ListRowsChanged(Control& c, HWND list, Change what) {
    switch (what) {
        case Change::RowsCleared:
        case Change::RowsReplaced:
            // The model has no chosen row after either; an owner-data list would
            // keep its selection by index into the new rows.
            ClearListSelection(list);
            ListView_SetItemCountEx(list, c.RowCount(), 0);
            // A refilled list starts at its top, as one emptied and filled again does.
            if (c.RowCount() > 0) ListView_EnsureVisible(list, 0, FALSE);
            break;
        case Change::RowAdded:
            ListView_SetItemCountEx(list, c.RowCount(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
            ListView_RedrawItems(list, c.changedRow(), c.changedRow());
            break;
        case Change::CellSet:
            ListView_RedrawItems(list, c.changedRow(), c.changedRow());
            break;
        default:
            break;
    }
}

void FaceWindow::ClearListSelection(HWND list) {
    // Row by row: a change of "all rows" (-1) visits every row of an
    // owner-data list, 20,000 of them in a full node list.
    for (const UINT which : {LVNI_SELECTED, LVNI_FOCUSED}) {
        const int row = ListView_GetNextItem(list, -1, which);
        if (row >= 0) ListView_SetItemState(list, row, 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

void FaceWindow::SyncListSelection(Control& c) {
    HWND child = ChildOf(c);
    if (child == nullptr) return;
    ClearListSelection(child);
    if (c.chosenRow() >= 0) {
        ListView_SetItemState(child, c.chosenRow(), LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(child, c.chosenRow(), FALSE);
    }
}

bool FaceWindow::OnOwnerDataNotify(NMHDR* hdr, LRESULT& answer) {
    switch (hdr->code) {
        case LVN_GETDISPINFOW:
            OnListDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(hdr));
            answer = 0;
            return true;
        case LVN_ODFINDITEMW:
        case LVN_ODFINDITEMA:
            // Typing in a list finds nothing: its first column is empty, and an
            // answer of 0 would choose the first row as if it had been picked.
            answer = -1;
            return true;
        default:
            return false;
    }
}

void FaceWindow::OnListItemChanged(Control& c, const NMLISTVIEW& change) {
    if (!(change.uChanged & LVIF_STATE)) return;
    const bool was = change.uOldState & LVIS_SELECTED;
    const bool is = change.uNewState & LVIS_SELECTED;
    if (is && !was) {
        c.UserChoseRow(change.iItem);
    } else if (was && !is && (change.iItem == -1 || change.iItem == c.chosenRow())) {
        // A click below the rows leaves none chosen; -1 is "every row", which an
        // owner-data list uses when it clears its selection.
        c.UserChoseRow(-1);
    }
}

void FaceWindow::OnListClick(Control& c, HWND list, const NMITEMACTIVATE& click) {
    // The notice's item is only valid for a click on the first column (8 pixels
    // wide here): ask the list which row is under the point.
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    if (ListView_SubItemHitTest(list, &hit) < 0 || hit.iItem < 0) return;
    c.UserClickedRow(hit.iItem);
}

void FaceWindow::OnListDisplayInfo(NMLVDISPINFOW* info) {
    LVITEMW& item = info->item;
    if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
    const auto it = std::find(children_.begin(), children_.end(), info->hdr.hwndFrom);
    item.pszText[0] = L'\0';
    if (it == children_.end()) return;
    const Control& c = *model_.controls()[static_cast<size_t>(it - children_.begin())];
    const std::wstring text = win32::Widen(c.Cell(item.iItem, item.iSubItem));
    const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax) - 1);
    std::wmemcpy(item.pszText, text.data(), n);
    item.pszText[n] = L'\0';
}

}  // namespace xl::ui::win32_backend
