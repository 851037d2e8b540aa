// SEAMS for the operations of the catalogue grid, the stock panel and the
// card image system, which arrive with their own code. Each is called from
// the place where the real one belongs; each is replaced, not extended.
#pragma once

#include <windows.h>

// The grid: reloads the rows for the current mode; rebuilds the view.
void ReloadCatalogue(bool* ok);
void ApplyFilters();
void FillSetAndRarityFilters();
// The grid's context menu chose command (IDM_CTX_*) on the view's row.
void RunGridContextCommand(int command, int viewIndex);

// The stock panel: back to "no card selected"; true to go on (nothing
// unsaved, saved, or discarded), false to stop.
void ClearPanel();
bool ConfirmUnsavedChanges();

// The card image system: started while the main window is created,
// stopped when it is destroyed; paints the preview control.
bool StartImageCache(HWND notifyWindow);
void ShutdownImageCache();
void PaintCardPreview(HDC dc, const RECT& rect);
