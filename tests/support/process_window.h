// Finds the main window of a Binderwell process started by a test or a
// benchmark, and a window of the calling thread by its class. Header-only so
// that benchmarks can use it without the test framework.
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

// A top-level window of the calling thread. Test programs run side by side
// on one display, so a search by class alone could find another program's
// window.
inline HWND FindThreadWindow(const wchar_t* className)
{
    struct Search {
        const wchar_t* className;
        HWND found;
    } search = {className, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (std::wstring(name) == s->className) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
