// SEAMS, see pending.h.
#include "app/pending.h"

#include "app/grid_model.h"

void RunGridContextCommand(int, const ContextCard&) {}

GridContextCalls& GridContext()
{
    static GridContextCalls calls = {RunGridContextCommand};
    return calls;
}

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

PanelCalls& Panel()
{
    static PanelCalls calls = {ConfirmUnsavedChanges, LoadPanel};
    return calls;
}

bool StartImageCache(HWND)
{
    return true;
}

void ShutdownImageCache() {}

void PaintCardPreview(HDC, const RECT&) {}
