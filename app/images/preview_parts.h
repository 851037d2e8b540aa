// The card preview's parts that need no window: where a card's picture is
// cached and where in the preview it is drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// cacheFolder + "\" + the card id's safe file stem + ".img". The file holds
// the downloaded bytes whatever their format; the decoder goes by content.
std::wstring CardImageCacheFile(const std::wstring& cacheFolder, std::string_view cardId);

struct PictureFit {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The rectangle a picture of pictureWidth × pictureHeight takes in box: as
// large as fits with its proportions kept (a small picture is enlarged),
// each side truncated to whole pixels, centred with the spare pixel (if
// any) after it. False when the box or the picture has no area.
bool FitPicture(const RECT& box, uint32_t pictureWidth, uint32_t pictureHeight, PictureFit& fit);
