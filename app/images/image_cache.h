// The card image system: started while the main window is created,
// stopped when it is destroyed; paints the card preview control.
#pragma once

#include <windows.h>

// False when the system could not start; the program then runs without
// images.
bool StartImageCache(HWND notifyWindow);
void ShutdownImageCache();
void PaintCardPreview(HDC dc, const RECT& rect);
