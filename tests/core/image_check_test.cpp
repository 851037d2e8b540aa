#include "core/image_check.h"

#include "tests/support/test_folder.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

// A GIF with a global colour table, a graphic control extension and one
// image whose coded data holds the trailer's byte value (0x3B) at the end
// of a sub-block, so that a cut right after it ends in 0x3B.
std::string TestGif()
{
    std::string gif = "GIF89a" + Bytes({4, 0, 4, 0, 0x81, 0, 0}) + std::string(12, '\x10');
    gif += Bytes({0x21, 0xF9, 4, 0, 0, 0, 0, 0});
    gif += Bytes({0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0, 2});
    gif += Bytes({5, 0x3B, 0x3B, 0x3B, 0x3B, 0x3B}) + Bytes({250}) + std::string(249, '\x3B') + Bytes({0x3B, 0});
    return gif + Bytes({0x3B});
}

// Every cut of a complete picture reads as incomplete, and bytes after the
// end marker (some tools append them) do not matter.
void ExpectOnlyTheWholeIsComplete(const std::string& whole, const char* what)
{
    EXPECT_TRUE(IsCompleteImageBytes(whole)) << what;
    EXPECT_TRUE(IsCompleteImageBytes(whole + std::string(50, '\0'))) << what;
    for (size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_FALSE(IsCompleteImageBytes(whole.substr(0, cut))) << what << " cut at " << cut;
}

TEST(ImageCheck, OnlyAPictureThatRunsToItsEndMarkerIsComplete)
{
    ExpectOnlyTheWholeIsComplete(SolidPng(6, 5, 0x336699), "PNG");
    // The thumbnail inside ends with the end-of-image marker too.
    ExpectOnlyTheWholeIsComplete(StructuralJpeg('j'), "JPEG");
    ExpectOnlyTheWholeIsComplete(TestGif(), "GIF");

    // A chunk length that runs past the end, though an IEND follows.
    std::string png = SolidPng(2, 2, 0);
    png[8 + 3] = '\x7F';
    EXPECT_FALSE(IsCompleteImageBytes(png));
    // A JPEG whose first segment is not a marker.
    std::string jpeg = StructuralJpeg('j');
    jpeg[2] = 'x';
    EXPECT_FALSE(IsCompleteImageBytes(jpeg));
    // Other formats, and an error page, never pass.
    EXPECT_FALSE(IsCompleteImageBytes("RIFF\x10\0\0\0WEBPVP8 " + std::string(300, '\0')));
    EXPECT_FALSE(IsCompleteImageBytes("<html>Not found</html>" + std::string(300, ' ')));
    EXPECT_FALSE(IsCompleteImageBytes(""));
}

TEST(ImageCheck, AFileMustAlsoStartLikeAnImageOfAtLeast256Bytes)
{
    TestFolder folder;
    const std::string png = SolidPng(20, 20, 0xFF0000);
    ASSERT_GE(png.size(), 256u);
    WriteFileBytes(folder.File(L"whole.png"), png);
    WriteFileBytes(folder.File(L"cut.png"), png.substr(0, png.size() - 1));
    const std::string tiny = SolidPng(1, 1, 0);
    ASSERT_LT(tiny.size(), 256u);
    WriteFileBytes(folder.File(L"tiny.png"), tiny);

    EXPECT_TRUE(IsCompleteImageFile(folder.File(L"whole.png")));
    EXPECT_FALSE(IsCompleteImageFile(folder.File(L"cut.png")));
    EXPECT_FALSE(IsCompleteImageFile(folder.File(L"tiny.png")));
    EXPECT_FALSE(IsCompleteImageFile(folder.File(L"absent.png")));
}

} // namespace
