#include "core/output.h"

#include "core/file_replace.h"
#include "tests/support/test_folder.h"

#include <windows.h>

using OutputFileTest = DataFolderTest;

TEST(JsonEsc, NothingCanCloseTheScriptOrBreakTheString)
{
    EXPECT_EQ(JsonEsc("</script>"), "\\u003C/script\\u003E");
    EXPECT_EQ(JsonEsc("say \"hi\"\\"), "say \\\"hi\\\"\\\\");
    EXPECT_EQ(JsonEsc("a\nc\x1f"), "a\\nc\\u001f");
    EXPECT_EQ(JsonEsc(std::string("nul\0!", 5)), "nul\\u0000!");
    EXPECT_EQ(JsonEsc("Pok\xC3\xA9mon \xF0\x9F\x83\x8F"), "Pok\xC3\xA9mon \xF0\x9F\x83\x8F");
    // Line and paragraph separators end a string literal in older engines;
    // their neighbours in the same block pass.
    EXPECT_EQ(JsonEsc("a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xE2\x80\xA7\xE2\x80\xAA"),
              "a\\u2028b\\u2029c\xE2\x80\xA7\xE2\x80\xAA");
    // Ill-formed bytes, even one that looks like the start of a separator,
    // become U+FFFD and never a raw byte a strict reader refuses.
    EXPECT_EQ(JsonEsc("x\xFF\xE2\x80<\xC3"), "x\xEF\xBF\xBD\xEF\xBF\xBD\\u003C\xEF\xBF\xBD");
}

TEST(PriceNumberText, EveryPriceIsAWholeNumberTextAndMinusZeroIsZero)
{
    EXPECT_EQ(PriceNumberText(12.5), "12.50");
    EXPECT_EQ(PriceNumberText(-0.0), "0.00");
    const std::string largest = PriceNumberText(1.7976931348623157e308);
    EXPECT_EQ(largest.size(), 312u); // 309 digits, the point and two decimals
    EXPECT_EQ(largest.substr(0, 6), "179769");
}

TEST_F(OutputFileTest, WholeFilesAreWrittenExactlyOrReplacedNotHalfWritten)
{
    const std::wstring path = folder.File(L"page.html");
    std::string error;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(WriteWholeFile(path, big, error)) << error;
    EXPECT_EQ(ReadFileBytes(path), big);
    ASSERT_TRUE(WriteWholeFile(path, "", error)) << error;
    EXPECT_TRUE(FileExists(path) && ReadFileBytes(path).empty());
    ASSERT_TRUE(WriteFileByReplacement(path, "new page", WriteWholeFile, "could not replace page.html", error)) << error;
    EXPECT_EQ(ReadFileBytes(path), "new page");
    EXPECT_FALSE(FileExists(path + L".tmp"));

    const std::wstring locked = folder.File(L"index.html");
    WriteFileBytes(locked, "published page");
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WriteFileByReplacement(locked, "half a page", WriteWholeFile, "could not replace index.html", error));
    EXPECT_EQ(ReadFileBytes(locked), "published page");
    EXPECT_FALSE(FileExists(locked + L".tmp"));

    EXPECT_FALSE(WriteFileByReplacement(folder.File(L"missing\\cards.json"), "[]", WriteWholeFile, "could not replace cards.json", error));
}

TEST_F(OutputFileTest, OnlyAPictureOfAtLeast256BytesCountsAsAnImage)
{
    const auto file = [this](const wchar_t* name, std::string bytes, size_t size) {
        bytes.resize(size, 'x');
        WriteFileBytes(folder.File(name), bytes);
        return IsValidImageFile(folder.File(name));
    };
    const std::string png("\x89PNG\r\n\x1a\n", 8);
    EXPECT_FALSE(file(L"short.png", png, 255));
    EXPECT_TRUE(file(L"card.png", png, 256));
    EXPECT_FALSE(file(L"error.png", "<!DOCTYPE html><html><title>404 Not Found</title>", 1024));
    EXPECT_FALSE(IsValidImageFile(folder.File(L"absent.png")));
}
