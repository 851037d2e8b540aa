// Thin helpers over the standard and common controls, for every window of
// the program: filling and reading combo boxes, check boxes, window text,
// list-view item state and plain labels.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Empties the combo, adds first and then values, and selects first.
void FillComboBox(HWND combo, const wchar_t* first, const std::vector<std::wstring>& values);
// The text of one item; empty for an index the combo does not hold.
std::wstring ComboItemText(HWND combo, int index);
// The chosen item's text; empty for the first item (a filter's "All ...")
// or when nothing is chosen.
std::wstring GetComboFilterText(HWND combo);

bool IsChecked(HWND button);
void SetChecked(HWND button, bool checked);

// The whole text of a window or control.
std::wstring WindowText(HWND window);

// LVM_SETITEMSTATE for one item, or for every item with -1.
void SetListItemState(HWND list, int item, UINT state, UINT mask);

// A STATIC label without an id, in the given font; placed later by its
// window's layout.
HWND CreateLabel(HWND parent, const wchar_t* text, HFONT font);

// "Segoe UI" at the given size in points, for the given dpi, with ClearType.
HFONT CreateUiFont(int dpi, int points, int weight);

// The wait cursor while a command works without pumping messages, and the
// cursor it replaced again when the holder goes.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};
