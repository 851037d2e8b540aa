// The card image system: started while the main window is created, stopped
// when it is destroyed. The stock panel asks for the selected card's
// picture; cached pictures show at once, others are downloaded by the
// loader thread (app/images/image_loader.h) while the preview says so, and
// an answer counts only for the latest request.
#pragma once

#include "app/images/image_loader.h"

#include <windows.h>

#include <string>

// Cache folder, GDI+, the loader's session and thread. False, with all of
// it undone, when any part fails (a cache folder that cannot exist
// included); the program then runs without images and the preview stays
// blank.
bool StartImageCache(HWND notifyWindow);
// Stops the loader (a bounded wait: see ImageLoader::Stop), drops the
// picture and shuts GDI+ down; later requests do nothing.
void ShutdownImageCache();

// The picture of a card (UTF-8 id and image link, either may be empty for
// "no card" or "no picture"). The caller repaints IDC_CARD_IMAGE.
void RequestCardImage(const std::string& cardId, const std::string& url);
// WM_APP_IMAGE_READY: acts only on the latest request's answer, and
// repaints the preview whatever the answer.
void OnCardImageReady(WPARAM requestId, LPARAM downloaded);

// WM_DRAWITEM of IDC_CARD_IMAGE.
void PaintCardPreview(HDC dc, const RECT& rect);

enum class PreviewState {
    Blank,   // background only: no card, no image link, or no image system
    Loading, // "Loading image…"
    Shown,   // the picture
    NoImage, // "No image": the download or its decoding failed
};
PreviewState CardPreviewState();
