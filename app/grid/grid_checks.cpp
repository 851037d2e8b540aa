#include "app/grid/grid_checks.h"

#include "app/grid/grid_model.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "app/shell/paint.h"

#include <windowsx.h>

namespace {

void RedrawItem(HWND grid, int32_t item)
{
    SendMessageW(grid, LVM_REDRAWITEMS, static_cast<WPARAM>(item), item);
}

// The width of a row's box: the state images' when the list has them.
int CheckBoxWidth(HWND grid)
{
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(grid, LVM_GETIMAGELIST, LVSIL_STATE, 0));
    int width = 0;
    int height = 0;
    if (images && ImageList_GetIconSize(images, &width, &height) && width >= 1)
        return width;
    return GetSystemMetrics(SM_CXSMICON);
}


HWND GridHeader(HWND grid)
{
    return grid ? reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0)) : nullptr;
}

// Header item 0's format, which carries the check-all box.
bool ReadCheckAllFormat(HDITEMW& item)
{
    HWND header = GridHeader(MainWindow().controls.grid);
    if (!header)
        return false;
    item = HDITEMW();
    item.mask = HDI_FORMAT;
    return SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

// Where the check-all box is drawn inside header item 0's rectangle.
RECT HeaderCheckBoxRect(const RECT& item, int dpi)
{
    const int b = MulDiv(13, dpi, 96);
    const int y = item.top + (item.bottom - item.top - b) / 2;
    const int left = item.left + MulDiv(5, dpi, 96);
    return RECT{left, y, left + b, y + b};
}

// Whether the mouse press that ended in the message being handled hit the
// check-all box of the header.
bool PressedOnHeaderCheckBox(HWND header)
{
    RECT item = {};
    if (!SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    const DWORD position = GetMessagePos();
    POINT point = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ScreenToClient(header, &point);
    const RECT box = HeaderCheckBoxRect(item, MainWindow().dpi);
    return PtInRect(&box, point) != FALSE;
}

// NM_CUSTOMDRAW from the header: the CDRF_* result.
LRESULT PaintGridHeader(NMCUSTOMDRAW& draw, int dpi, bool checkAllChecked)
{
    if (draw.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw.dwDrawStage != CDDS_ITEMPREPAINT)
        return 0;

    HDC dc = draw.hdc;
    const RECT r = draw.rc;
    FillRect(dc, &r, Brushes().header);
    const RECT separator = {r.right - 1, r.top, r.right, r.bottom};
    FillRect(dc, &separator, Brushes().window);

    wchar_t text[128] = {};
    HDITEMW header = {};
    header.mask = HDI_TEXT | HDI_FORMAT;
    header.pszText = text;
    header.cchTextMax = 128;
    const int index = static_cast<int>(draw.dwItemSpec);
    SendMessageW(draw.hdr.hwndFrom, HDM_GETITEMW, index, reinterpret_cast<LPARAM>(&header));

    RECT t = r;
    t.left += MulDiv(6, dpi, 96);
    t.right -= MulDiv(6, dpi, 96);
    if (index == 0) {
        const RECT box = HeaderCheckBoxRect(r, dpi);
        PaintCheckBox(dc, box, checkAllChecked);
        t.left = box.right + MulDiv(6, dpi, 96);
    }

    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    if (header.fmt & HDF_RIGHT)
        flags |= DT_RIGHT;
    else if (header.fmt & HDF_CENTER)
        flags |= DT_CENTER;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kInk);
    DrawTextW(dc, text, -1, &t, flags);
    return CDRF_SKIPDEFAULT;
}

} // namespace

void UpdateCheckAllState()
{
    const bool allChecked = AllVisibleChecked(Grid());
    SetHeaderCheckAll(allChecked);
    HMENU menu = MainWindow().menu;
    if (menu)
        ModifyMenuW(menu, IDM_CHECK_ALL, MF_BYCOMMAND | MF_STRING, IDM_CHECK_ALL, CheckAllMenuText(allChecked));
}

void SetAllVisibleChecked(bool value)
{
    SetVisibleMarks(Grid(), value);
    InvalidateRect(MainWindow().controls.grid, nullptr, TRUE);
    UpdateCheckAllState();
}

void ToggleRowCheck(int32_t viewIndex)
{
    if (!ToggleViewItemMark(Grid(), viewIndex))
        return;
    RedrawItem(MainWindow().controls.grid, viewIndex);
    UpdateCheckAllState();
}

void OnGridCheckClick(POINT point)
{
    HWND grid = MainWindow().controls.grid;
    LVHITTESTINFO hit = {};
    hit.pt = point;
    const auto item = static_cast<int32_t>(SendMessageW(grid, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (RowOfViewItem(Grid(), item) < 0)
        return;
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    if (!SendMessageW(grid, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds)))
        return;
    const RECT box = {bounds.left, bounds.top, bounds.left + CheckBoxWidth(grid), bounds.bottom};
    if (PtInRect(&box, point))
        ToggleRowCheck(item);
}

void OnCheckAllCommand()
{
    SetAllVisibleChecked(!AllVisibleChecked(Grid()));
}

bool IsHeaderCheckAllChecked()
{
    HDITEMW item = {};
    return ReadCheckAllFormat(item) && (item.fmt & HDF_CHECKED) != 0;
}

void SetHeaderCheckAll(bool value)
{
    HDITEMW item = {};
    if (!ReadCheckAllFormat(item))
        return;
    item.fmt |= HDF_CHECKBOX;
    item.fmt = value ? (item.fmt | HDF_CHECKED) : (item.fmt & ~HDF_CHECKED);
    SendMessageW(GridHeader(MainWindow().controls.grid), HDM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

LRESULT CALLBACK GridSubclassProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_NOTIFY) {
        auto* notify = reinterpret_cast<NMHDR*>(lParam);
        if (notify->code == static_cast<UINT>(NM_CUSTOMDRAW) && notify->hwndFrom == GridHeader(grid)) {
            return PaintGridHeader(*reinterpret_cast<NMCUSTOMDRAW*>(lParam), MainWindow().dpi,
                                   IsHeaderCheckAllChecked());
        }
        if (notify->hwndFrom == GridHeader(grid) && reinterpret_cast<const NMHEADERW*>(lParam)->iItem == 0) {
            if (notify->code == static_cast<UINT>(HDN_ITEMSTATEICONCLICK)) {
                SetAllVisibleChecked(!IsHeaderCheckAllChecked());
                return 0;
            }
            // Where the header reports no state-icon click (Wine), a click on
            // the box arrives as a plain item click, which the list would turn
            // into a sort by Card. The box is ours, so it is hit-tested here
            // and the click kept from the list.
            const bool itemClick = notify->code == static_cast<UINT>(HDN_ITEMCLICKW) ||
                                   notify->code == static_cast<UINT>(HDN_ITEMCLICKA);
            if (itemClick && PressedOnHeaderCheckBox(notify->hwndFrom)) {
                SetAllVisibleChecked(!IsHeaderCheckAllChecked());
                return 0;
            }
        }
    }
    return DefSubclassProc(grid, message, wParam, lParam);
}
