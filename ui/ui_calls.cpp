#include "ui/ui_calls.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {

int SystemMessageBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT type)
{
    return MessageBoxW(owner, text, title, type);
}

// Looked up at run time: comctl32 has task dialogs only from version 6, and
// a program bound to the export would not start where it is missing.
HRESULT SystemTaskDialog(const TASKDIALOGCONFIG* config, int* button)
{
    using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (!comctl)
        return E_NOTIMPL;
    const auto taskDialogIndirect =
        reinterpret_cast<TaskDialogIndirectFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "TaskDialogIndirect")));
    if (!taskDialogIndirect)
        return E_NOTIMPL;
    return taskDialogIndirect(config, button, nullptr, nullptr);
}

std::wstring SystemBrowseForFolder(HWND owner, const wchar_t* title)
{
    BROWSEINFOW request = {};
    request.hwndOwner = owner;
    request.lpszTitle = title;
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&request);
    if (!item)
        return std::wstring();
    wchar_t path[MAX_PATH] = {};
    const bool isFolder = SHGetPathFromIDListW(item, path) != FALSE;
    CoTaskMemFree(item);
    return isFolder ? std::wstring(path) : std::wstring();
}

BOOL SystemGetOpenFileName(OPENFILENAMEW* request)
{
    return GetOpenFileNameW(request);
}

BOOL SystemGetSaveFileName(OPENFILENAMEW* request)
{
    return GetSaveFileNameW(request);
}

BOOL SystemChooseColor(CHOOSECOLORW* request)
{
    return ChooseColorW(request);
}

int SystemTrackPopupMenu(HMENU menu, int x, int y, HWND owner)
{
    return static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD, x, y, 0, owner, nullptr));
}

void SystemShellOpen(const wchar_t* target)
{
    ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

UiCalls SystemUiCalls()
{
    return UiCalls{SystemMessageBox,      SystemTaskDialog,      SystemBrowseForFolder, SystemGetOpenFileName,
                   SystemGetSaveFileName, SystemChooseColor,     SystemTrackPopupMenu,  SystemShellOpen};
}

UiCalls& Ui()
{
    static UiCalls calls = SystemUiCalls();
    return calls;
}
