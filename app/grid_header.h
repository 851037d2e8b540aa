// The grid's subclass procedure. The header sends its notifications to its
// own parent, the grid, and not every system passes them on to the main
// window, so the header is painted here.
#pragma once

#include <windows.h>

constexpr UINT_PTR kGridSubclassId = 1;

LRESULT CALLBACK GridSubclassProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR data);

// Whether header item 0 shows the check-all box ticked; false when there
// is no grid, no header or the read fails.
bool IsHeaderCheckAllChecked();
