// The card preview in the real main window: requests as the stock panel
// makes them, pictures from the local HTTPS test server, the cache folder
// in the test's own folder.
#include "app/images/image_cache.h"

#include "core/image_check.h"
#include "core/text.h"
#include "tests/app/main/main_window_fixture.h"
#include "tests/support/https_test_server.h"
#include "tests/support/test_images.h"

#include <algorithm>

namespace {

constexpr uint32_t kBackground = 0xF4F6F9;

// A 32-bit top-down memory bitmap the preview paints into, read as 0xRRGGBB;
// unpainted it is magenta.
struct Canvas {
    Canvas(int w, int h) : width(w), dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* raw = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        bits = static_cast<uint32_t*>(raw);
        old = SelectObject(dc, bitmap);
        std::fill(bits, bits + w * h, 0xFF00FF);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t At(int x, int y) const { return GdiFlush(), bits[y * width + x] & 0xFFFFFF; }

    int width;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    uint32_t* bits;
};

class ImageCacheTest : public MainWindowTest {
protected:
    std::wstring CacheFile(const std::string& id) { return folder.File(L"cache\\" + Utf8ToWide(id) + L".img"); }

    // A picture the server sends for path, in one colour.
    ScriptedAnswer Picture(const std::string& name, uint32_t rgb)
    {
        server.AddFile(name + ".png", SolidPng(60, 84, rgb));
        return ReplyFromFile(name + ".png");
    }

    // What the stock panel does when a card is selected.
    void Select(const std::string& id, const std::string& url)
    {
        RequestCardImage(id, url);
        InvalidateRect(Controls().cardImage, nullptr, TRUE);
        Pump();
    }

    bool Settled() { return PumpUntil([] { return CardPreviewState() != PreviewState::Loading; }, 15000); }

    // The colour in the middle of the preview, painted at 276 × 386.
    uint32_t CentreColour()
    {
        Canvas canvas(276, 386);
        PaintCardPreview(canvas.dc, {0, 0, 276, 386});
        return canvas.At(138, 193);
    }

    std::vector<std::string> RequestedPaths()
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& request : server.Requests())
            paths.push_back(request.path);
        return paths;
    }

    HttpsTestServer server{folder.Path()};
};

TEST_F(ImageCacheTest, OnlyTheLatestRequestIsFetchedAndAnOlderAnswerOnlyRepaints)
{
    ScriptedAnswer slow = Picture("busy", 0x0000FF);
    slow.delay = 1.5;
    server.Route("/busy", {slow});
    server.Route("/a", {Picture("a", 0xFF0000)});
    ScriptedAnswer b = Picture("b", 0x00C000);
    b.delay = 1.0;
    server.Route("/b", {b});
    ASSERT_TRUE(server.Start());
    OpenWindow();

    Select("busy", server.Url("/busy"));
    ASSERT_TRUE(PumpUntil([&] { return !server.Requests().empty(); }, 15000));
    // While the loader waits for the first picture, A is asked for and
    // overtaken by B before the loader could take it.
    Select("a", server.Url("/a"));
    Select("b", server.Url("/b"));

    // The first picture arrives for a request that is no longer current.
    ASSERT_TRUE(PumpUntil([&] { return FileExists(CacheFile("busy")); }, 15000));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(CardPreviewState(), PreviewState::Loading);

    ASSERT_TRUE(Settled());
    EXPECT_EQ(CentreColour(), 0x00C000u);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{"/busy", "/b"}));
    EXPECT_FALSE(FileExists(CacheFile("a")));
}

TEST_F(ImageCacheTest, CachedPicturesShowAtOnceAndDamagedOnesAreFetchedAgain)
{
    server.Route("/garbled", {Picture("garbled", 0x102030)});
    server.Route("/cut", {Picture("cut", 0x405060)});
    server.Route("/kept", {Picture("kept", 0x708090)});
    ASSERT_TRUE(server.Start());
    CreateDirectoryW(folder.File(L"cache").c_str(), nullptr);
    WriteFileBytes(CacheFile("garbled"), "\x89PNG" + std::string(500, 'g'));
    WriteFileBytes(CacheFile("kept"), SolidPng(60, 84, 0x708090));
    // Left by a download that the end of the program cut short.
    WriteFileBytes(CacheFile("gone") + L".tmp", SolidPng(60, 84, 0).substr(0, 300));
    OpenWindow();
    EXPECT_FALSE(FileExists(CacheFile("gone") + L".tmp"));
    // Some decoders show a picture cut short, its missing part grey.
    const std::string cut = SolidPng(60, 84, 0xFFFFFF);
    WriteFileBytes(CacheFile("cut"), cut.substr(0, cut.size() - 12));

    Select("kept", server.Url("/kept"));
    EXPECT_EQ(CardPreviewState(), PreviewState::Shown); // no download, no wait
    EXPECT_EQ(CentreColour(), 0x708090u);

    for (const auto& [id, colour] : {std::pair<std::string, uint32_t>{"garbled", 0x102030}, {"cut", 0x405060}}) {
        Select(id, server.Url("/" + id));
        ASSERT_TRUE(Settled()) << id;
        EXPECT_EQ(CentreColour(), colour) << id;
        EXPECT_TRUE(IsCompleteImageFile(CacheFile(id))) << id;
    }

    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{"/garbled", "/cut"}));
}

TEST_F(ImageCacheTest, ADroppedOrFailedDownloadKeepsNothingAndNoLinkMeansABlankPreview)
{
    ScriptedAnswer dropped = Picture("chunked", 0x336699);
    dropped.mode = "chunked-drop";
    ScriptedAnswer whole = dropped;
    whole.mode = "chunked";
    server.Route("/chunked", {dropped, whole});
    server.Route("/missing", {Reply(404, "no such picture")});
    server.Route("/page", {Reply(200, "<html>" + std::string(600, ' ') + "Try again later</html>")});
    ASSERT_TRUE(server.Start());
    OpenWindow();

    Select("chunked", server.Url("/chunked"));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(CardPreviewState(), PreviewState::NoImage);
    EXPECT_FALSE(FileExists(CacheFile("chunked")));
    EXPECT_FALSE(FileExists(CacheFile("chunked") + L".tmp"));
    // The next request tries again; a whole reply in chunks is kept.
    Select("chunked", server.Url("/chunked"));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(CentreColour(), 0x336699u);

    for (const char* id : {"missing", "page"}) {
        Select(id, server.Url(std::string("/") + id));
        ASSERT_TRUE(Settled()) << id;
        EXPECT_EQ(CardPreviewState(), PreviewState::NoImage) << id;
        EXPECT_FALSE(FileExists(CacheFile(id))) << id;
    }

    Select("nolink", "");
    EXPECT_EQ(CentreColour(), kBackground);
    Select("", server.Url("/missing"));
    EXPECT_EQ(CardPreviewState(), PreviewState::Blank);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{"/chunked", "/chunked", "/missing", "/page"}));
}

TEST_F(ImageCacheTest, WithoutACacheFolderImagesAreOffAndRequestsChangeNothing)
{
    server.Route("/card", {Picture("card", 0xFF0000)});
    ASSERT_TRUE(server.Start());
    WriteFileBytes(folder.File(L"cache"), "a file where the folder should be");
    OpenWindow();

    Select("card", server.Url("/card"));
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(CentreColour(), kBackground);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(ImageCacheTest, ShutDownDuringASlowDownloadEndsInTimeAndLeavesNoPartialPicture)
{
    ScriptedAnswer slow = Picture("slow", 0x123456);
    slow.pause = 10; // after half of the picture
    server.Route("/slow", {slow});
    ASSERT_TRUE(server.Start());
    OpenWindow();
    Select("slow", server.Url("/slow"));
    ASSERT_TRUE(PumpUntil([&] { return FileExists(CacheFile("slow") + L".tmp"); }, 15000));

    const ULONGLONG start = GetTickCount64();
    DestroyWindow(Main());
    EXPECT_LT(GetTickCount64() - start, 8000u);
    EXPECT_FALSE(FileExists(CacheFile("slow")));

    // Left to itself, the loader finishes: the picture takes its name only
    // whole, and the partial file goes.
    EXPECT_TRUE(PumpUntil([&] { return !FileExists(CacheFile("slow") + L".tmp"); }, 30000));
    EXPECT_TRUE(!FileExists(CacheFile("slow")) || IsCompleteImageFile(CacheFile("slow")));
}

TEST_F(ImageCacheTest, TextsDrawWithoutSegoeUiAndAPreviewWithoutAreaPaintsNothing)
{
    OpenWindow();
    // Nothing answers on port 1: "No image" is drawn in whatever sans-serif
    // face the system has.
    Select("unreachable", "https://localhost:1/card.png");
    ASSERT_TRUE(Settled());
    ASSERT_EQ(CardPreviewState(), PreviewState::NoImage);
    Canvas canvas(276, 386);
    PaintCardPreview(canvas.dc, {0, 0, 276, 386});
    int ink = 0;
    for (int y = 0; y < 386; ++y)
        for (int x = 0; x < 276; ++x)
            ink += canvas.At(x, y) != kBackground;
    EXPECT_GT(ink, 20);

    // A preview without area paints nothing.
    Canvas untouched(10, 10);
    PaintCardPreview(untouched.dc, {0, 0, 0, 10});
    PaintCardPreview(untouched.dc, {0, 0, 10, 0});
    EXPECT_EQ(untouched.At(5, 5), 0xFF00FFu);
}

} // namespace
