#include "app/images/preview_parts.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct Fit {
    bool drawn;
    int x, y, width, height;
    bool operator==(const Fit& o) const
    {
        return drawn == o.drawn && x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

std::ostream& operator<<(std::ostream& out, const Fit& f)
{
    return out << (f.drawn ? "" : "not drawn ") << f.width << "x" << f.height << " at " << f.x << "," << f.y;
}

Fit FitIn(RECT box, uint32_t width, uint32_t height)
{
    PictureFit fit;
    const bool drawn = FitPicture(box, width, height, fit);
    return {drawn, fit.x, fit.y, fit.width, fit.height};
}

TEST(PictureFit, APictureFillsOneSideCentredOnTheOtherAndNothingIsDrawnWithoutArea)
{
    const RECT control = {0, 0, 276, 386};
    // A small upright card is enlarged until the height is used up; the
    // spare pixel of width goes after it.
    EXPECT_EQ(FitIn(control, 100, 140), (Fit{true, 0, 0, 275, 386}));
    EXPECT_EQ(FitIn(control, 200, 100), (Fit{true, 0, 124, 276, 138}));
    EXPECT_EQ(FitIn(control, 276, 386), (Fit{true, 0, 0, 276, 386}));
    // The limiting side comes out whole where a floating-point scale would
    // lose a pixel (150 / 281 * 281 is just below 150).
    EXPECT_EQ(FitIn({0, 0, 150, 400}, 281, 281), (Fit{true, 0, 125, 150, 150}));
    // The offset of the control's rectangle is kept.
    EXPECT_EQ(FitIn({10, 20, 286, 406}, 200, 100), (Fit{true, 10, 144, 276, 138}));
    // Pictures far larger than any screen neither overflow nor vanish.
    EXPECT_EQ(FitIn(control, 4000000000u, 2000000000u), (Fit{true, 0, 124, 276, 138}));

    EXPECT_FALSE(FitIn({0, 0, 0, 386}, 100, 140).drawn);
    EXPECT_FALSE(FitIn({0, 0, 276, 0}, 100, 140).drawn);
    EXPECT_FALSE(FitIn({50, 0, 10, 386}, 100, 140).drawn);
    EXPECT_FALSE(FitIn(control, 0, 140).drawn);
    EXPECT_FALSE(FitIn(control, 100, 0).drawn);
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
