#include "core/log.h"

#include "tests/support/test_folder.h"

#include <windows.h>

namespace {

class LogTest : public DataFolderTest {
protected:
    std::wstring LogFile() const { return folder.File(L"debug.log"); }
    std::wstring OldFile() const { return folder.File(L"debug.log.old"); }
    std::string LogText() { CloseDebugLog(); return ReadFileBytes(LogFile()); }
};

} // namespace

TEST_F(LogTest, ExternalTextIsWrittenWholeAndAsItIs)
{
    // Text from outside is an argument: its percent signs and line breaks
    // reach the file untouched, and a very long line is not cut.
    WriteFileBytes(LogFile(), "earlier\r\n");
    Log("QuickSell failed: %s", "100%s %d\r\nnext");
    LogW(L"%hs [%ls]", "base1-4", L"Near Mint \x2014 \x00e9");
    const std::string longText(200000, 'x');
    LogW(L"%hs", longText.c_str());
    const std::string text = LogText();
    EXPECT_EQ(text.rfind("earlier\r\n[", 0), 0u);
    EXPECT_NE(text.find("] QuickSell failed: 100%s %d\r\nnext\r\n"), std::string::npos);
    EXPECT_NE(text.find("] base1-4 [Near Mint \xE2\x80\x94 \xC3\xA9]\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("] " + longText + "\r\n"), text.size() - longText.size() - 4);
}

TEST_F(LogTest, ByteStringsAreReadAsUtf8AndEveryOtherConversionAsBefore)
{
    // Through the C runtime's code page "\xC3\xA9" would come out as two characters.
    LogW(L"card %hs", "\xC3\xA9");
    LogW(L"[%-6hs|%4ls|%.2hs|%.*ls|%*d|%-3d|%06.2f|%llu|%I64d|%zu|%x|%hs|%%]", "\xC3\xA9", L"ab",
         "abc", 1, L"xyz", 4, 7, 5, 3.14159, 18446744073709551615ull, -5ll, static_cast<size_t>(9), 255u,
         static_cast<const char*>(nullptr));
    // A conversion whose argument cannot be read safely ends the formatting there.
    LogW(L"%d %s %ls", 1, "never read", L"nor this");
    const std::string text = LogText();
    EXPECT_NE(text.find("] card \xC3\xA9\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("] [\xC3\xA9     |  ab|ab|x|   7|5  |003.14|18446744073709551615|-5|9|ff|(null)|%]\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("] 1 %s %ls\r\n"), std::string::npos) << text;
}

TEST_F(LogTest, RotatesExactlyAtTheLimitAndKeepsThePredecessorWhole)
{
    SetLogRotateBytes(1000);
    const std::string below(999, 'a');
    WriteFileBytes(LogFile(), below);
    WriteFileBytes(OldFile(), "an older predecessor");
    Log("appended");
    const std::string first = LogText();
    EXPECT_EQ(first.rfind(below + "[", 0), 0u);
    EXPECT_EQ(ReadFileBytes(OldFile()), "an older predecessor");

    Log("after rotation");
    const std::string text = LogText();
    EXPECT_EQ(text.find(below), std::string::npos);
    EXPECT_NE(text.find("] after rotation\r\n"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(OldFile()), first);
}

TEST_F(LogTest, ABlockedRotationLosesNoLines)
{
    SetLogRotateBytes(1000);
    const std::string full(1000, 'c');
    WriteFileBytes(LogFile(), full);
    // A folder in the old file's place can be neither deleted nor replaced.
    ASSERT_TRUE(CreateDirectoryW(OldFile().c_str(), nullptr));
    Log("line 1");
    ASSERT_TRUE(RemoveDirectoryW(OldFile().c_str()));
    const std::string text = LogText();
    EXPECT_EQ(text.rfind(full, 0), 0u);
    EXPECT_NE(text.find("] line 1\r\n"), std::string::npos);
}
