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
