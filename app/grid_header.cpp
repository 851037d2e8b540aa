#include "app/grid_header.h"

#include "app/grid_checks.h"
#include "app/main_window.h"
#include "app/paint.h"

#include <commctrl.h>

namespace {

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

} // namespace

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
        if (notify->code == static_cast<UINT>(HDN_ITEMSTATEICONCLICK) && notify->hwndFrom == GridHeader(grid) &&
            reinterpret_cast<const NMHEADERW*>(lParam)->iItem == 0) {
            SetAllVisibleChecked(!IsHeaderCheckAllChecked());
            return 0;
        }
    }
    return DefSubclassProc(grid, message, wParam, lParam);
}
