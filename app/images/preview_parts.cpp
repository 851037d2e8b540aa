#include "app/images/preview_parts.h"

#include "core/text.h"

std::wstring CardImageCacheFile(const std::wstring& cacheFolder, std::string_view cardId)
{
    return cacheFolder + L"\\" + Utf8ToWide(SafeFileStem(cardId)) + L".img";
}

bool FitPicture(const RECT& box, uint32_t pictureWidth, uint32_t pictureHeight, PictureFit& fit)
{
    const int64_t w = static_cast<int64_t>(box.right) - box.left;
    const int64_t h = static_cast<int64_t>(box.bottom) - box.top;
    if (w < 1 || h < 1 || pictureWidth == 0 || pictureHeight == 0)
        return false;
    // The scale is min(w / pw, h / ph). Compared and applied in whole
    // numbers, so that the limiting side comes out exactly the box's (in
    // floating point 150 / 281 * 281 is 149.99..., which truncates to 149)
    // and the other is the true quotient truncated. The products stay below
    // 2^63.
    const uint64_t widthLimit = static_cast<uint64_t>(w) * pictureHeight;
    const uint64_t heightLimit = static_cast<uint64_t>(h) * pictureWidth;
    int64_t dw = w;
    int64_t dh = h;
    if (widthLimit <= heightLimit)
        dh = static_cast<int64_t>(widthLimit / pictureWidth);
    else
        dw = static_cast<int64_t>(heightLimit / pictureHeight);
    fit.width = static_cast<int>(dw);
    fit.height = static_cast<int>(dh);
    fit.x = static_cast<int>(box.left + (w - dw) / 2);
    fit.y = static_cast<int>(box.top + (h - dh) / 2);
    return true;
}
