#include "app/grid/panel_calls.h"

#include "app/grid/grid_model.h"

namespace {

bool NothingUnsaved()
{
    return true;
}

void SelectRow(int32_t row)
{
    Grid().selectedRow = row;
}

void SelectNoRow()
{
    Grid().selectedRow = -1;
}

} // namespace

PanelCalls& Panel()
{
    static PanelCalls calls = {NothingUnsaved, SelectRow, SelectNoRow};
    return calls;
}
