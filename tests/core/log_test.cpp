#include "core/log.h"

#include "tests/support/test_folder.h"

#include <windows.h>

#include <regex>
#include <thread>
#include <vector>

namespace {

const char kStamp[] = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})";

bool MatchesLines(const std::string& text, const std::string& pattern)
{
    return std::regex_match(text, std::regex(pattern));
}

class LogTest : public DataFolderTest {
protected:
    std::wstring LogFile() const { return folder.File(L"debug.log"); }
    std::wstring OldFile() const { return folder.File(L"debug.log.old"); }
    std::string LogText() { CloseDebugLog(); return ReadFileBytes(LogFile()); }
};

} // namespace

TEST_F(LogTest, LinesAndSectionsHaveTheirExactShape)
{
    Log("App started (v%s)", "0.9.62");
    LogSection("Session start");
    LogSection(nullptr);
    Log("%s", "");
    const std::string s = kStamp;
    EXPECT_TRUE(MatchesLines(LogText(), "\\[" + s + "\\] App started \\(v0\\.9\\.62\\)\r\n"
                                        "\r\n===== \\[" + s + "\\] Session start =====\r\n"
                                        "\r\n===== \\[" + s + "\\]  =====\r\n"
                                        "\\[" + s + "\\] \r\n"));
}

TEST_F(LogTest, ExternalTextIsWrittenAsItIs)
{
    // Text from outside (a server, SQLite, a card id) is an argument, so its
    // percent signs and line breaks reach the file untouched.
    Log("QuickSell failed: %s", "100%s %d\r\nnext");
    LogW(L"Quick sale: %hs [%ls / %ls] x1 @ %.2f", "base1-4", L"Holo", L"Near Mint \x2014 \x00e9", 4.5);
    const std::string text = LogText();
    EXPECT_NE(text.find("] QuickSell failed: 100%s %d\r\nnext\r\n"), std::string::npos);
    EXPECT_NE(text.find("] Quick sale: base1-4 [Holo / Near Mint \xE2\x80\x94 \xC3\xA9] x1 @ 4.50\r\n"),
              std::string::npos);
}

TEST_F(LogTest, VeryLongLinesAreWrittenWhole)
{
    const std::string longText(200000, 'x');
    Log("%s", longText.c_str());
    LogW(L"%hs", longText.c_str());
    const std::string text = LogText();
    EXPECT_EQ(text.size(), 2 * (26 + longText.size() + 2));
}

TEST_F(LogTest, NothingIsWrittenWhileDisabledOrWithoutAFolder)
{
    DebugLogEnabled = false;
    Log("hidden");
    LogW(L"hidden");
    LogSection("hidden");
    EXPECT_FALSE(FileExists(LogFile()));

    DebugLogEnabled = true;
    SetLogFolder(L"");
    Log("nowhere");
    EXPECT_FALSE(FileExists(LogFile()));

    SetLogFolder(folder.Path());
    Log("visible");
    DebugLogEnabled = false;
    Log("hidden again");
    DebugLogEnabled = true;
    Log("continues");
    const std::string text = LogText();
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_NE(text.find("] visible\r\n["), std::string::npos);
    EXPECT_NE(text.find("] continues\r\n"), std::string::npos);
}

TEST_F(LogTest, ReopensAndAppendsAfterClose)
{
    WriteFileBytes(LogFile(), "earlier\r\n");
    Log("one");
    CloseDebugLog();
    Log("two");
    const std::string text = LogText();
    EXPECT_EQ(text.rfind("earlier\r\n[", 0), 0u);
    EXPECT_LT(text.find("] one\r\n"), text.find("] two\r\n"));
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

    // The file is now past the limit: the next line rotates it first.
    Log("after rotation");
    const std::string s = kStamp;
    EXPECT_TRUE(MatchesLines(LogText(), "\\[" + s + "\\] === log rotated \\(previous saved as debug\\.log\\.old\\) ===\r\n"
                                        "\\[" + s + "\\] after rotation\r\n"));
    EXPECT_EQ(ReadFileBytes(OldFile()), first);
}

TEST_F(LogTest, RotationRightAtTheLimitOnTheFirstLine)
{
    SetLogRotateBytes(1000);
    const std::string full(1000, 'b');
    WriteFileBytes(LogFile(), full);
    Log("first");
    EXPECT_EQ(ReadFileBytes(OldFile()), full);
    EXPECT_NE(LogText().find("=== log rotated"), std::string::npos);
}

TEST_F(LogTest, ABlockedRotationIsNotReportedAndNotRetriedOnEveryLine)
{
    SetLogRotateBytes(1000);
    const std::string full(1000, 'c');
    WriteFileBytes(LogFile(), full);
    // A folder in the old file's place can be neither deleted nor replaced,
    // as when another program holds debug.log.old open.
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
    EXPECT_EQ(text.find("log rotated"), text.rfind("log rotated"));
    EXPECT_NE(text.find("log rotated"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(OldFile()).rfind(full, 0), 0u);
}

TEST_F(LogTest, LinesFromSeveralThreadsNeverInterleave)
{
    constexpr int kThreads = 4, kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                Log("thread %d line %d %s", t, i, std::string(100, static_cast<char>('a' + t)).c_str());
        });
    }
    for (std::thread& th : threads)
        th.join();
    const std::string text = LogText();
    const std::regex line(std::string("\\[") + kStamp + "\\] thread (\\d) line \\d+ ([a-d]{100})");
    int count = 0;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::smatch m;
        const std::string one = text.substr(start, end - start);
        ASSERT_TRUE(std::regex_match(one, m, line)) << one;
        EXPECT_EQ(m[2].str(), std::string(100, static_cast<char>('a' + std::stoi(m[1]))));
        ++count;
    }
    EXPECT_EQ(start, text.size());
    EXPECT_EQ(count, kThreads * kLines);
}
