// Until images are loaded, the preview stays blank.
#include "app/images/image_cache.h"

bool StartImageCache(HWND)
{
    return true;
}

void ShutdownImageCache() {}

void PaintCardPreview(HDC, const RECT&) {}

void RequestCardImage(const std::string&, const std::string&) {}
