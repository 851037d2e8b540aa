// What the main window does for each menu command, control notification
// and timer: one table from id to handler, so an operation joins the
// program by adding its row.
#pragma once

#include <windows.h>
#include <commctrl.h>

// WM_COMMAND: menu commands by id, control notifications by id and code.
void OnMainCommand(HWND main, WPARAM wParam);
// WM_TIMER.
void OnMainTimer(HWND main, WPARAM timerId);
// NM_RCLICK from the grid: the context menu (Sales mode only).
void OnGridRightClick(HWND main, const NMITEMACTIVATE& click);

// Whether a menu command has a handler in the program.
bool HasMenuCommand(int id);
// Greys every item of the menu (and its submenus) whose command has no
// handler yet, so that nothing the user can choose silently does nothing.
void GreyCommandsWithoutHandler(HMENU menu);
