// Sales mode (the sale stock) and Collection mode (the collection): which
// controls and menus the window shows, and the switch between them.
#pragma once

#include <windows.h>

void ApplyModeUi(HWND main);
// Asks about unsaved panel edits first; switching to the current mode asks
// nothing and changes nothing.
void SwitchMode(HWND main, bool collection);
