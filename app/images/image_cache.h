// The card image system: started while the main window is created,
// stopped when it is destroyed; paints the card preview control.
#pragma once

#include <windows.h>

#include <string>

// False when the system could not start; the program then runs without
// images.
bool StartImageCache(HWND notifyWindow);
void ShutdownImageCache();
void PaintCardPreview(HDC dc, const RECT& rect);
// Makes cardId's picture, from url, the one the preview shows; an empty id
// blanks the preview. The caller repaints the preview control.
void RequestCardImage(const std::string& cardId, const std::string& url);
