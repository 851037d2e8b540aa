#include "app/images/preview_parts.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// "width x height at x,y", or "none" when nothing is drawn.
std::string FitIn(RECT box, uint32_t width, uint32_t height)
{
    PictureFit f;
    if (!FitPicture(box, width, height, f))
        return "none";
    return std::to_string(f.width) + "x" + std::to_string(f.height) + " at " + std::to_string(f.x) + "," +
           std::to_string(f.y);
}

TEST(PictureFit, APictureFillsOneSideCentredOnTheOtherAndNothingIsDrawnWithoutArea)
{
    const RECT control = {0, 0, 276, 386};
    // A small upright card is enlarged until the height is used up; the
    // spare pixel of width goes after it.
    EXPECT_EQ(FitIn(control, 100, 140), "275x386 at 0,0");
    EXPECT_EQ(FitIn(control, 200, 100), "276x138 at 0,124");
    EXPECT_EQ(FitIn(control, 276, 386), "276x386 at 0,0");
    // The limiting side comes out whole where a floating-point scale would
    // lose a pixel (150 / 281 * 281 is just below 150).
    EXPECT_EQ(FitIn({0, 0, 150, 400}, 281, 281), "150x150 at 0,125");
    // The offset of the control's rectangle is kept.
    EXPECT_EQ(FitIn({10, 20, 286, 406}, 200, 100), "276x138 at 10,144");
    // Pictures far larger than any screen neither overflow nor vanish.
    EXPECT_EQ(FitIn(control, 4000000000u, 2000000000u), "276x138 at 0,124");

    EXPECT_EQ(FitIn({0, 0, 0, 386}, 100, 140), "none");
    EXPECT_EQ(FitIn({0, 0, 276, 0}, 100, 140), "none");
    EXPECT_EQ(FitIn({50, 0, 10, 386}, 100, 140), "none");
    EXPECT_EQ(FitIn(control, 0, 140), "none");
    EXPECT_EQ(FitIn(control, 100, 0), "none");
}

TEST(CardImageCacheFile, EveryCardHasAFileOfItsOwnThatWindowsCanName)
{
    const std::wstring folder = L"C:\\prog\\cache";
    EXPECT_EQ(CardImageCacheFile(folder, "base1-4"), L"C:\\prog\\cache\\base1-4.img");
    // Ids that differ only in characters a file name cannot hold still get
    // files of their own, and none is a reserved device name.
    std::set<std::wstring> files;
    for (const char* id : {"a/b", "a:b", "a?b", "a\\b", "con", "CON", "nul", "caf\xC3\xA9", "a b"}) {
        const std::wstring file = CardImageCacheFile(folder, id);
        EXPECT_TRUE(files.insert(file).second) << id;
        const std::wstring name = file.substr(folder.size() + 1);
        EXPECT_EQ(name.find_first_of(L"\\/:*?\"<>| "), std::wstring::npos) << id;
        EXPECT_NE(name, L"con.img");
        EXPECT_NE(name, L"CON.img");
        EXPECT_NE(name, L"nul.img");
    }
}

} // namespace
