#include "core/log.h"

#include "tests/support/test_folder.h"

#include <windows.h>

#include <regex>

namespace {

const char kStamp[] = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})";

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
    LogW(L"Quick sale: %hs [%ls] x1 @ %.2f", "base1-4", L"Near Mint \x2014 \x00e9", 4.5);
    const std::string longText(200000, 'x');
    LogW(L"%hs", longText.c_str());
    const std::string text = LogText();
    EXPECT_EQ(text.rfind("earlier\r\n[", 0), 0u);
    EXPECT_NE(text.find("] QuickSell failed: 100%s %d\r\nnext\r\n"), std::string::npos);
    EXPECT_NE(text.find("] Quick sale: base1-4 [Near Mint \xE2\x80\x94 \xC3\xA9] x1 @ 4.50\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("] " + longText + "\r\n"), text.size() - longText.size() - 4);
}

TEST_F(LogTest, RotatesExactlyAtTheLimit)
{
    SetLogRotateBytes(1000);
    const std::string below(999, 'a');
    WriteFileBytes(LogFile(), below);
    WriteFileBytes(OldFile(), "an older predecessor");
    Log("appended");
    CloseDebugLog();
    const std::string first = ReadFileBytes(LogFile());
    EXPECT_EQ(first.rfind(below + "[", 0), 0u);
    EXPECT_EQ(ReadFileBytes(OldFile()), "an older predecessor");

    Log("after rotation");
    const std::string s = kStamp;
    EXPECT_TRUE(std::regex_match(LogText(), std::regex("\\[" + s + "\\] === log rotated \\(previous saved as "
                                                       "debug\\.log\\.old\\) ===\r\n\\[" + s + "\\] after rotation\r\n")));
    EXPECT_EQ(ReadFileBytes(OldFile()), first);
}

TEST_F(LogTest, ABlockedRotationIsNotReportedAndNotRetriedOnEveryLine)
{
    SetLogRotateBytes(1000);
    const std::string full(1000, 'c');
    WriteFileBytes(LogFile(), full);
    // A folder in the old file's place can be neither deleted nor replaced.
    ASSERT_TRUE(CreateDirectoryW(OldFile().c_str(), nullptr));
    Log("line 1");
    ASSERT_TRUE(RemoveDirectoryW(OldFile().c_str()));
    Log("line 2");
    std::string text = LogText();
    EXPECT_EQ(text.rfind(full, 0), 0u);
    EXPECT_EQ(text.find("log rotated"), std::string::npos);
    EXPECT_NE(text.find("] line 1\r\n["), std::string::npos);
    EXPECT_NE(text.find("] line 2\r\n"), std::string::npos);
    EXPECT_FALSE(FileExists(OldFile()));

    // Once the file has grown a while longer, rotation is tried again.
    for (int i = 0; i < 10; ++i)
        Log("more %d", i);
    text = LogText();
    EXPECT_NE(text.find("log rotated"), std::string::npos);
    EXPECT_EQ(text.find("log rotated"), text.rfind("log rotated"));
    EXPECT_EQ(ReadFileBytes(OldFile()).rfind(full, 0), 0u);
}
