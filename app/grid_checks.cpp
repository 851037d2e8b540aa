#include "app/grid_checks.h"

#include "app/grid_header.h"
#include "app/grid_model.h"
#include "app/ids.h"
#include "app/main_window.h"

#include <commctrl.h>

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
