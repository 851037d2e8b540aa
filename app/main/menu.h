// The main window's menu bar.
#pragma once

#include <windows.h>

// Positions of the top menus that the mode greys.
constexpr UINT kStoreMenuPosition = 1;
constexpr UINT kSalesMenuPosition = 2;

HMENU CreateMainMenu();
