#include "core/output.h"

#include "core/file_replace.h"
#include "core/text.h"
#include "tests/support/test_folder.h"

#include <windows.h>

namespace {

class OutputFileTest : public DataFolderTest {
protected:
    std::wstring MakeFile(const wchar_t* name, const std::string& head, size_t size)
    {
        std::string bytes = head;
        bytes.resize(size, 'x');
        const std::wstring path = folder.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }
};

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(JsonEsc, NothingCanCloseTheScriptOrBreakTheString)
{
    EXPECT_EQ(JsonEsc("</script>"), "\\u003C/script\\u003E");
    EXPECT_EQ(JsonEsc("say \"hi\"\\"), "say \\\"hi\\\"\\\\");
    EXPECT_EQ(JsonEsc("a\tb\nc\rd"), "a\\tb\\nc\\rd");
    EXPECT_EQ(JsonEsc(std::string("\x01\x08\x1f", 3)), "\\u0001\\u0008\\u001f");
    EXPECT_EQ(JsonEsc(std::string("nul\0!", 5)), "nul\\u0000!");
    EXPECT_EQ(JsonEsc("\x7f"), "\x7f");
    EXPECT_EQ(JsonEsc("Pok\xC3\xA9mon \xE2\x80\x94 \xF0\x9F\x83\x8F"), "Pok\xC3\xA9mon \xE2\x80\x94 \xF0\x9F\x83\x8F");
    EXPECT_EQ(JsonEsc(""), "");
}

TEST(FormatLongDate, DayMonthNameAndYear)
{
    EXPECT_EQ(FormatLongDateOf(1, 1, 2026), "1 January 2026");
    EXPECT_EQ(FormatLongDateOf(7, 3, 2026), "7 March 2026");
    EXPECT_EQ(FormatLongDateOf(31, 12, 1999), "31 December 1999");
    EXPECT_EQ(FormatLongDateOf(5, 13, 2026), "5 January 2026");
    EXPECT_EQ(FormatLongDateOf(5, 0, 2026), "5 January 2026");

    SYSTEMTIME before, after;
    GetLocalTime(&before);
    const std::string today = FormatLongDate();
    GetLocalTime(&after);
    EXPECT_TRUE(today == FormatLongDateOf(before.wDay, before.wMonth, before.wYear) ||
                today == FormatLongDateOf(after.wDay, after.wMonth, after.wYear))
        << today;
}

TEST(FindStyleClose, FirstClosingTagOrNone)
{
    EXPECT_EQ(FindStyleClose("<style></style>"), 7u);
    EXPECT_EQ(FindStyleClose("a{}</style></style>"), 3u);
    EXPECT_EQ(FindStyleClose("<style>a{}</STYLE>"), std::string::npos);
    EXPECT_EQ(FindStyleClose("</style"), std::string::npos);
    EXPECT_EQ(FindStyleClose(""), std::string::npos);
}

TEST(CreditFooter, OneElementWithTwoLinksThatOpenApart)
{
    EXPECT_EQ(std::string(kFooterStyle).size(), 171u);
    const std::string footer = BuildFooterHtml();
    EXPECT_EQ(footer.rfind("<div class=\"brandfoot\">", 0), 0u);
    EXPECT_EQ(footer.substr(footer.size() - 7), "</div>\n");
    EXPECT_EQ(Count(footer, " target=\"_blank\" rel=\"noopener\">"), 2u);
}

TEST_F(OutputFileTest, WholeFilesAreWrittenExactlyAndEmptyContentTruncates)
{
    const std::wstring path = folder.File(L"page.html");
    std::string error;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(WriteWholeFile(path, big, error)) << error;
    EXPECT_EQ(ReadFileBytes(path), big);

    ASSERT_TRUE(WriteWholeFile(path, "", error)) << error;
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadFileBytes(path), "");
}

TEST_F(OutputFileTest, ReplacementSwapsWholeFilesAndCleansUpAfterAFailure)
{
    const std::wstring report = folder.File(L"sales-report.html");
    WriteFileBytes(report, "old report");
    std::string error;
    ASSERT_TRUE(WriteFileByReplacement(report, "new report", WriteWholeFile, "could not replace sales-report.html",
                                       error))
        << error;
    EXPECT_EQ(ReadFileBytes(report), "new report");
    EXPECT_FALSE(FileExists(report + L".tmp"));

    const std::wstring locked = folder.File(L"index.html");
    WriteFileBytes(locked, "published page");
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WriteFileByReplacement(locked, "half a page", WriteWholeFile, "could not replace index.html", error));
    EXPECT_EQ(error, "could not replace index.html");
    EXPECT_EQ(ReadFileBytes(locked), "published page");
    EXPECT_FALSE(FileExists(locked + L".tmp"));

    const std::wstring nowhere = folder.File(L"missing\\cards.json");
    EXPECT_FALSE(WriteFileByReplacement(nowhere, "[]", WriteWholeFile, "could not replace cards.json", error));
    EXPECT_EQ(error, "cannot create " + WideToUtf8(nowhere + L".tmp"));
}

TEST_F(OutputFileTest, OnlyAPictureOfAtLeast256BytesCountsAsAnImage)
{
    const std::string png("\x89PNG\r\n\x1a\n", 8);
    EXPECT_FALSE(IsValidImageFile(MakeFile(L"short.png", png, 255)));
    EXPECT_TRUE(IsValidImageFile(MakeFile(L"card.png", png, 256)));
    EXPECT_TRUE(IsValidImageFile(MakeFile(L"card.jpg", "\xFF\xD8\xFF\xE0", 256)));
    EXPECT_TRUE(IsValidImageFile(MakeFile(L"card.gif", "GIF89a", 4096)));
    EXPECT_FALSE(IsValidImageFile(MakeFile(L"card.webp", std::string("RIFF\x10\x00\x00\x00WEBP", 12), 4096)));
    EXPECT_FALSE(IsValidImageFile(
        MakeFile(L"error.png", "<!DOCTYPE html><html><head><title>404 Not Found</title></head>", 1024)));
    EXPECT_FALSE(IsValidImageFile(folder.File(L"absent.png")));
}
