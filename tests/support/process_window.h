// Finds the main window (or another window) of a Binderwell process started
// by a test or a benchmark, and a window of the calling thread by its class.
// Header-only so that benchmarks can use it without the test framework.
#pragma once

#include <windows.h>

#include <string>

// A top-level window of the given class that belongs to the process.
inline HWND FindProcessWindow(DWORD processId, const wchar_t* className)
{
    struct Search {
        DWORD processId;
        const wchar_t* className;
        HWND found;
    } search = {processId, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner == s->processId && std::wstring(name) == s->className) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND FindMainWindowOfProcess(DWORD processId)
{
    return FindProcessWindow(processId, L"KovBinderwellMain");
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
