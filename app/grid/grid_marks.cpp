// Check marks of the grid's rows, which belong to the card and not to its
// place in the view.
#include "app/grid/grid_model.h"

bool IsRowChecked(const GridModel& model, int32_t row)
{
    return row >= 0 && static_cast<size_t>(row) < model.checked.size() && model.checked[static_cast<size_t>(row)];
}

void SetRowChecked(GridModel& model, int32_t row, bool checked)
{
    if (row >= 0 && static_cast<size_t>(row) < model.checked.size())
        model.checked[static_cast<size_t>(row)] = checked ? 1 : 0;
}

bool ToggleViewItemMark(GridModel& model, int32_t item)
{
    const int32_t row = RowOfViewItem(model, item);
    if (row < 0)
        return false;
    SetRowChecked(model, row, !IsRowChecked(model, row));
    return true;
}

bool AllVisibleChecked(const GridModel& model)
{
    if (model.view.empty())
        return false;
    for (int32_t row : model.view) {
        if (!IsRowChecked(model, row))
            return false;
    }
    return true;
}

void SetVisibleMarks(GridModel& model, bool checked)
{
    for (int32_t row : model.view)
        SetRowChecked(model, row, checked);
}

const wchar_t* CheckAllMenuText(bool allChecked)
{
    return allChecked ? L"Un&check all" : L"&Check all";
}
