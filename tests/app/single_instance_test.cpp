// The program itself, started twice from a folder of its own.
#include "tests/support/test_folder.h"

#include "core/text.h"

#include "tests/support/process_window.h"

#include <windows.h>

#include <string>

namespace {

std::wstring BuiltProgram()
{
    // Wine shows the Linux root as drive Z.
    std::wstring path = L"Z:" + Utf8ToWide(BINDERWELL_EXE);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

struct Started {
    PROCESS_INFORMATION info = {};
    bool Start(const std::wstring& program)
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + program + L"\"";
        return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info) != FALSE;
    }
    ~Started()
    {
        if (info.hProcess) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    DWORD ExitCode(DWORD waitMs) const
    {
        if (WaitForSingleObject(info.hProcess, waitMs) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

HWND WaitForMainWindow(DWORD processId)
{
    for (int i = 0; i < 600; ++i) {
        if (const HWND found = FindMainWindowOfProcess(processId))
            return found;
        Sleep(50);
    }
    return nullptr;
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(SingleInstance, ASecondStartLeavesTheFirstRunningAndExitsWithZero)
{
    TestFolder folder;
    const std::wstring program = folder.File(L"binderwell.exe");
    ASSERT_TRUE(CopyFileW(BuiltProgram().c_str(), program.c_str(), FALSE)) << "no built program";

    Started first;
    ASSERT_TRUE(first.Start(program));
    HWND firstWindow = WaitForMainWindow(first.info.dwProcessId);
    ASSERT_NE(firstWindow, nullptr);

    Started second;
    ASSERT_TRUE(second.Start(program));
    EXPECT_EQ(second.ExitCode(30000), 0u);
    EXPECT_EQ(first.ExitCode(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(IsWindow(firstWindow));

    // A normal close ends the first with 0; only one session was logged.
    PostMessageW(firstWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.ExitCode(30000), 0u);
    const std::string log = ReadFileBytes(folder.File(L"debug.log"));
    EXPECT_EQ(Count(log, "Session start"), 1u);
    EXPECT_EQ(Count(log, "App started (v0.9.62)"), 1u);
    EXPECT_EQ(Count(log, "App exiting"), 1u);
    EXPECT_EQ(Count(log, "Session end"), 1u);
    EXPECT_FALSE(FileExists(folder.File(L"binderwell.db")));
}

} // namespace
