// Until the panel's controls are wired, it only follows the grid's
// selected row and never holds unsaved edits.
#include "app/panel/panel.h"

#include "app/grid/grid_model.h"
#include "app/grid/panel_calls.h"

void ClearPanel()
{
    Grid().selectedRow = -1;
}

void LoadPanel(int32_t row)
{
    Grid().selectedRow = row;
}

bool ConfirmUnsavedChanges()
{
    return true;
}

void InstallStockPanel()
{
    Panel() = PanelCalls{ConfirmUnsavedChanges, LoadPanel, ClearPanel};
}
