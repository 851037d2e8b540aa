// Finds the main window of a Binderwell process started by a test or a
// benchmark. Header-only so that benchmarks can use it without the test
// framework.
#pragma once

#include <windows.h>

#include <string>

inline HWND FindMainWindowOfProcess(DWORD processId)
{
    struct Search {
        DWORD processId;
        HWND found;
    } search = {processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (owner == s->processId && std::wstring(className) == L"KovBinderwellMain") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
