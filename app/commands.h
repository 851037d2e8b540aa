// What the main window does for each menu command and control
// notification; the operations themselves live with their own parts.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// WM_COMMAND: menu commands by id, control notifications by id and code.
void OnMainCommand(HWND main, WPARAM wParam);
// WM_TIMER.
void OnMainTimer(HWND main, WPARAM timerId);
// NM_RCLICK from the grid: the context menu (Sales mode only).
void OnGridRightClick(HWND main, const NMITEMACTIVATE& click);

// The About box: a task dialog with a link, or a message box where task
// dialogs are missing.
void ShowAboutBox(HWND main);

// A folder the user picks to save into; empty when cancelled or when the
// choice is not a file-system folder.
std::wstring ChooseFolder();

// The maker's web site, linked from the About box.
constexpr const wchar_t* kMakerWebSite = L"https://binderwell.example/";
