// SEAMS for the operations of the catalogue grid, the stock panel and the
// card image system, which arrive with their own code. Each is called from
// the place where the real one belongs; each is replaced, not extended.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The card that a grid context command acts on, copied when its menu
// opened: the view can be filtered again while the menu is up (the search
// delay's timer still fires), and a view index would then name another card.
struct ContextCard {
    std::wstring cardId;
    std::wstring name;
};

// The grid's context menu chose command (IDM_CTX_*) for card.
void RunGridContextCommand(int command, const ContextCard& card);

// The context menu's commands go through this: the sales commands' own
// call, unless a test scripts it.
struct GridContextCalls {
    void (*run)(int command, const ContextCard& card);
};
GridContextCalls& GridContext();

// The stock panel: back to "no card selected"; true to go on (nothing
// unsaved, saved, or discarded), false to stop. Until the panel exists,
// only the grid's selected row follows.
void ClearPanel();
// Shows the card of rows[row] and makes it the grid's selected row.
void LoadPanel(int32_t row);
bool ConfirmUnsavedChanges();

// Everything that would reload or replace what the panel shows (another
// card, a mode switch, closing the window) goes through these: the panel's
// own calls, unless a test scripts its answers.
struct PanelCalls {
    bool (*confirmUnsavedChanges)();
    void (*loadPanel)(int32_t row);
};
PanelCalls& Panel();

// The card image system: started while the main window is created,
// stopped when it is destroyed; paints the preview control.
bool StartImageCache(HWND notifyWindow);
void ShutdownImageCache();
void PaintCardPreview(HDC dc, const RECT& rect);
