#include "app/images/image_cache.h"

#include "app/images/preview_parts.h"
#include "app/shell/main_state.h"
#include "core/db.h"
#include "core/file_replace.h"
#include "core/image_check.h"
#include "core/log.h"

// Before GDI+, which needs its types and the lean Windows headers leave
// them out.
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <memory>
#include <vector>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr ARGB kBackground = 0xFFF4F6F9;
constexpr ARGB kInk = 0xFF8290A0;

struct ImageSystem {
    bool running = false;
    std::wstring cacheFolder;
    ULONG_PTR gdiplusToken = 0;
    bool gdiplusStarted = false;
    std::unique_ptr<ImageLoader> loader;
    uint32_t currentId = 0;
    std::wstring shownPath;
    GpBitmap* shown = nullptr;
    PreviewState state = PreviewState::Blank;
};

ImageSystem& System()
{
    static ImageSystem system;
    return system;
}

// Never reset, so that no answer from before a restart of the system (a
// loader left to finish at shut-down) can pass for a later request's.
std::atomic<uint32_t> requestCounter{0};

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

GpBitmap* LoadBitmapFromFile(const std::wstring& path)
{
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(path.c_str(), &bitmap) == Ok)
        return bitmap;
    if (bitmap)
        GdipDisposeImage(bitmap);
    return nullptr;
}

void DropShownBitmap(ImageSystem& system)
{
    if (system.shown)
        GdipDisposeImage(system.shown);
    system.shown = nullptr;
}

void DrawPicture(GpGraphics* graphics, GpBitmap* bitmap, const RECT& rect)
{
    UINT width = 0;
    UINT height = 0;
    PictureFit fit;
    if (GdipGetImageWidth(bitmap, &width) != Ok || GdipGetImageHeight(bitmap, &height) != Ok ||
        !FitPicture(rect, width, height, fit))
        return;
    GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
    GdipDrawImageRectI(graphics, bitmap, fit.x, fit.y, fit.width, fit.height);
}

// A family of the installed fonts, a sans-serif one when its name says so.
GpFontFamily* AnyInstalledFamily()
{
    GpFontCollection* installed = nullptr;
    INT count = 0;
    if (GdipNewInstalledFontCollection(&installed) != Ok ||
        GdipGetFontCollectionFamilyCount(installed, &count) != Ok || count < 1)
        return nullptr;
    std::vector<GpFontFamily*> families(static_cast<size_t>(count));
    INT listed = 0;
    if (GdipGetFontCollectionFamilyList(installed, count, families.data(), &listed) != Ok || listed < 1)
        return nullptr;
    GpFontFamily* chosen = families[0];
    for (INT i = 0; i < listed; ++i) {
        WCHAR name[LF_FACESIZE] = {};
        if (GdipGetFamilyName(families[static_cast<size_t>(i)], name, LANG_NEUTRAL) == Ok && wcsstr(name, L"Sans")) {
            chosen = families[static_cast<size_t>(i)];
            break;
        }
    }
    // The list belongs to the collection; the caller deletes its own copy.
    GpFontFamily* copy = nullptr;
    return GdipCloneFontFamily(chosen, &copy) == Ok ? copy : nullptr;
}

// "Segoe UI" where it exists. Wine's GDI+ finds neither it nor its own
// generic sans-serif face (Wine makes that from Microsoft Sans Serif or
// Tahoma, which its list of installed fonts leaves out), so the texts would
// not draw at all; any installed family draws them. Each family made here
// is the caller's to delete (Wine makes a new one for the generic family).
GpFontFamily* PreviewFontFamily()
{
    GpFontFamily* family = nullptr;
    if (GdipCreateFontFamilyFromName(L"Segoe UI", nullptr, &family) == Ok)
        return family;
    family = nullptr;
    if (GdipGetGenericFontFamilySansSerif(&family) == Ok)
        return family;
    return AnyInstalledFamily();
}

void DrawCentredText(GpGraphics* graphics, const wchar_t* text, const RECT& rect)
{
    GpFontFamily* family = PreviewFontFamily();
    if (!family)
        return;
    GpFont* font = nullptr;
    GpSolidFill* ink = nullptr;
    GpStringFormat* format = nullptr;
    if (GdipCreateFont(family, 10.0f, FontStyleRegular, UnitPoint, &font) == Ok &&
        GdipCreateSolidFill(kInk, &ink) == Ok && GdipCreateStringFormat(0, LANG_NEUTRAL, &format) == Ok) {
        GdipSetStringFormatAlign(format, StringAlignmentCenter);
        GdipSetStringFormatLineAlign(format, StringAlignmentCenter);
        const RectF layout(static_cast<REAL>(rect.left), static_cast<REAL>(rect.top),
                           static_cast<REAL>(rect.right - rect.left), static_cast<REAL>(rect.bottom - rect.top));
        GdipDrawString(graphics, text, -1, font, &layout, format, ink);
    }
    if (format)
        GdipDeleteStringFormat(format);
    if (ink)
        GdipDeleteBrush(ink);
    if (font)
        GdipDeleteFont(font);
    GdipDeleteFontFamily(family);
}

} // namespace

bool StartImageCache(HWND notifyWindow)
{
    ImageSystem& system = System();
    // Without a folder to keep them in, every picture would be fetched for
    // nothing (and without a program folder, "\cache" would be made at
    // the root of the drive).
    const std::wstring dataFolder = DataFolder();
    if (dataFolder.empty())
        return false;
    system.cacheFolder = dataFolder + L"\\cache";
    CreateDirectoryW(system.cacheFolder.c_str(), nullptr); // it may exist
    if (!IsFolder(system.cacheFolder))
        return false;
    // A download cut short by the end of the process stays under its
    // temporary name; nothing will finish it.
    DeleteFilesMatching(system.cacheFolder, L"*.img.tmp");

    GdiplusStartupInput input; // version 1, no debug callback, its own thread, external codecs
    if (GdiplusStartup(&system.gdiplusToken, &input, nullptr) != Ok)
        return false;
    system.gdiplusStarted = true;
    system.loader = ImageLoader::Start(notifyWindow);
    if (!system.loader) {
        ShutdownImageCache();
        return false;
    }
    system.running = true;
    return true;
}

void ShutdownImageCache()
{
    ImageSystem& system = System();
    if (system.loader && !system.loader->Stop(ImageLoader::kStopWaitMs))
        Log("Image loader still busy at shut-down; left to finish on its own");
    system.loader.reset();
    // The loader draws nothing, so GDI+ may go even while it finishes.
    DropShownBitmap(system);
    if (system.gdiplusStarted)
        GdiplusShutdown(system.gdiplusToken);
    system = ImageSystem();
}

void RequestCardImage(const std::string& cardId, const std::string& url)
{
    ImageSystem& system = System();
    if (!system.running)
        return;
    system.currentId = ++requestCounter;
    DropShownBitmap(system);
    if (cardId.empty() || url.empty()) {
        system.state = PreviewState::Blank;
        return;
    }
    const std::wstring path = CardImageCacheFile(system.cacheFolder, cardId);
    system.shownPath = path;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        // A damaged file would show a damaged card for good; it is fetched
        // again instead.
        system.shown = IsCompleteImageFile(path) ? LoadBitmapFromFile(path) : nullptr;
        if (system.shown) {
            system.state = PreviewState::Shown;
            return;
        }
        DeleteFileW(path.c_str());
    }
    system.loader->Request(url, path, system.currentId);
    system.state = PreviewState::Loading;
}

void OnCardImageReady(WPARAM requestId, LPARAM downloaded)
{
    ImageSystem& system = System();
    if (system.running && requestId == system.currentId) {
        DropShownBitmap(system);
        if (downloaded)
            system.shown = LoadBitmapFromFile(system.shownPath);
        system.state = system.shown ? PreviewState::Shown : PreviewState::NoImage;
    }
    if (HWND preview = MainWindow().controls.cardImage)
        InvalidateRect(preview, nullptr, TRUE);
}

void PaintCardPreview(HDC dc, const RECT& rect)
{
    if (rect.right - rect.left < 1 || rect.bottom - rect.top < 1)
        return;
    const ImageSystem& system = System();
    if (!system.gdiplusStarted) {
        // No image system this session: the same empty background.
        HBRUSH background = CreateSolidBrush(RGB(0xF4, 0xF6, 0xF9));
        FillRect(dc, &rect, background);
        DeleteObject(background);
        return;
    }
    GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) != Ok)
        return;
    GpSolidFill* background = nullptr;
    if (GdipCreateSolidFill(kBackground, &background) == Ok) {
        GdipFillRectangleI(graphics, background, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        GdipDeleteBrush(background);
    }
    if (system.state == PreviewState::Shown && system.shown)
        DrawPicture(graphics, system.shown, rect);
    else if (system.state == PreviewState::Loading)
        DrawCentredText(graphics, L"Loading image\u2026", rect);
    else if (system.state == PreviewState::NoImage)
        DrawCentredText(graphics, L"No image", rect);
    GdipDeleteGraphics(graphics);
}

PreviewState CardPreviewState()
{
    return System().state;
}
