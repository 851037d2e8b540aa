// The program itself, started twice from a folder of its own.
#include "tests/support/test_folder.h"

#include "core/text.h"
#include "tests/support/process_window.h"

#include <windows.h>

#include <string>

namespace {

struct Started {
    PROCESS_INFORMATION info = {};
    explicit Started(std::wstring program)
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + program + L"\"";
        EXPECT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &info));
    }
    ~Started()
    {
        TerminateProcess(info.hProcess, 99); // no effect once it has ended
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    DWORD ExitCode(DWORD waitMs) const
    {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info.hProcess, waitMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

TEST(SingleInstance, ASecondStartLeavesTheFirstRunningAndExitsWithZero)
{
    TestFolder folder;
    const std::wstring program = folder.File(L"binderwell.exe");
    // Wine shows the Linux root as drive Z.
    std::wstring built = L"Z:" + Utf8ToWide(BINDERWELL_EXE);
    for (wchar_t& c : built)
        if (c == L'/')
            c = L'\\';
    ASSERT_TRUE(CopyFileW(built.c_str(), program.c_str(), FALSE)) << "no built program";

    Started first(program);
    HWND firstWindow = nullptr;
    for (int i = 0; i < 600 && !(firstWindow = FindMainWindowOfProcess(first.info.dwProcessId)); ++i)
        Sleep(50);
    ASSERT_NE(firstWindow, nullptr);

    Started second(program);
    EXPECT_EQ(second.ExitCode(30000), 0u);
    EXPECT_EQ(first.ExitCode(0), static_cast<DWORD>(STILL_ACTIVE));

    // A normal close ends the first with 0; only one session was logged.
    PostMessageW(firstWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.ExitCode(30000), 0u);
    const std::string log = ReadFileBytes(folder.File(L"debug.log"));
    ASSERT_NE(log.find("Session start"), std::string::npos);
    EXPECT_EQ(log.find("Session start"), log.rfind("Session start"));
    EXPECT_FALSE(FileExists(folder.File(L"binderwell.db")));
}

} // namespace
