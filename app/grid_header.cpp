#include "app/grid_header.h"

#include "app/main_window.h"
#include "app/paint.h"

#include <commctrl.h>

namespace {

HWND GridHeader(HWND grid)
{
    return grid ? reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0)) : nullptr;
}

} // namespace

bool IsHeaderCheckAllChecked()
{
    HWND header = GridHeader(MainWindow().controls.grid);
    if (!header)
        return false;
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (!SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    return (item.fmt & HDF_CHECKED) != 0;
}

LRESULT CALLBACK GridSubclassProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_NOTIFY) {
        auto* notify = reinterpret_cast<NMHDR*>(lParam);
        if (notify->code == static_cast<UINT>(NM_CUSTOMDRAW) && notify->hwndFrom == GridHeader(grid)) {
            return PaintGridHeader(*reinterpret_cast<NMCUSTOMDRAW*>(lParam), MainWindow().dpi,
                                   IsHeaderCheckAllChecked());
        }
    }
    return DefSubclassProc(grid, message, wParam, lParam);
}
