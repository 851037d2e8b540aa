// The window procedure of "KovBinderwellMain" and the window's creation.
#pragma once

#include <windows.h>

// The main window's client size at 96 dpi.
constexpr int kMainClientWidth = 1170;
constexpr int kMainClientHeight = 596;
// Caption, system menu and minimise box: a fixed-size window.
constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class (once per process) and creates the main window with
// its menu, sized to the client area scaled by the screen's dpi. Null when
// it could not be created. Not shown yet.
HWND CreateMainWindow(HINSTANCE instance);
