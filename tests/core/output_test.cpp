#include "core/output.h"

#include "core/file_replace.h"
#include "core/text.h"
#include "tests/support/test_folder.h"

#include <windows.h>

namespace {
class OutputFileTest : public DataFolderTest {};
} // namespace

TEST(JsonEsc, NothingCanCloseTheScriptOrBreakTheString)
{
    EXPECT_EQ(JsonEsc("</script>"), "\\u003C/script\\u003E");
    EXPECT_EQ(JsonEsc("say \"hi\"\\"), "say \\\"hi\\\"\\\\");
    EXPECT_EQ(JsonEsc("a\tb\nc\rd"), "a\\tb\\nc\\rd");
    EXPECT_EQ(JsonEsc(std::string("\x01\x1f", 2)), "\\u0001\\u001f");
    EXPECT_EQ(JsonEsc(std::string("nul\0!", 5)), "nul\\u0000!");
    EXPECT_EQ(JsonEsc("Pok\xC3\xA9mon \xF0\x9F\x83\x8F"), "Pok\xC3\xA9mon \xF0\x9F\x83\x8F");
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
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadFileBytes(path), "");
    ASSERT_TRUE(WriteFileByReplacement(path, "new page", WriteWholeFile, "could not replace page.html", error)) << error;
    EXPECT_EQ(ReadFileBytes(path), "new page");
    EXPECT_FALSE(FileExists(path + L".tmp"));

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
    const auto file = [this](const wchar_t* name, std::string bytes, size_t size) {
        bytes.resize(size, 'x');
        WriteFileBytes(folder.File(name), bytes);
        return IsValidImageFile(folder.File(name));
    };
    const std::string png("\x89PNG\r\n\x1a\n", 8);
    EXPECT_FALSE(file(L"short.png", png, 255));
    EXPECT_TRUE(file(L"card.png", png, 256));
    EXPECT_FALSE(file(L"error.png", "<!DOCTYPE html><html><head><title>404 Not Found</title></head>", 1024));
    EXPECT_FALSE(IsValidImageFile(folder.File(L"absent.png")));
}
