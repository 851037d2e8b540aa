// The grid's check marks on screen: the rows' boxes, which the program draws
// through the list's state images and hit-tests itself (an owner-data list
// keeps no item state), the header's check-all box, which the program
// paints itself, and the View menu's "&Check all" / "Un&check all".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

// The header box and the menu text from whether every row of the view is
// checked; after every rebuild of the view and every single toggle.
void UpdateCheckAllState();
// Sets the mark of every row of the view; hidden rows keep theirs.
void SetAllVisibleChecked(bool value);
// Flips the mark of one list item; an index outside the view does nothing.
void ToggleRowCheck(int32_t viewIndex);
// A click (or each click of a double click) at a point of the grid's client
// area: toggles the row's mark when it hit the row's box, else nothing.
void OnGridCheckClick(POINT point);
// Command 40031: checks the rest while any row of the view is unchecked,
// clears the view's marks when all are checked.
void OnCheckAllCommand();

// The grid's subclass procedure. The header sends its notifications to its
// own parent, the grid, and not every system passes them on to the main
// window, so the header is painted and its box handled here.
constexpr UINT_PTR kGridSubclassId = 1;
LRESULT CALLBACK GridSubclassProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR data);

// Whether header item 0 shows the check-all box ticked; false when there
// is no grid, no header or the read fails.
bool IsHeaderCheckAllChecked();
// Shows header item 0's box, ticked or not; nothing when its format cannot
// be read.
void SetHeaderCheckAll(bool value);
