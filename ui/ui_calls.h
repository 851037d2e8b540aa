// Every message box, task dialog, popup menu and file, folder or colour
// chooser of the program goes through this one table. The program runs with
// the system's calls; a test fills the table with scripted answers that
// record what was asked, so that no window ever waits for a person.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <string>

struct UiCalls {
    int (*messageBox)(HWND owner, const wchar_t* text, const wchar_t* title, UINT type);
    // E_NOTIMPL when the system has no task dialogs.
    HRESULT (*taskDialog)(const TASKDIALOGCONFIG* config, int* button);
    // The chosen folder's path, or empty when the user cancelled or picked
    // something that is not a file-system folder.
    std::wstring (*browseForFolder)(HWND owner, const wchar_t* title);
    BOOL (*getOpenFileName)(OPENFILENAMEW* request);
    BOOL (*getSaveFileName)(OPENFILENAMEW* request);
    BOOL (*chooseColor)(CHOOSECOLORW* request);
    // A popup menu at a screen point; the chosen command, or 0 for none.
    int (*trackPopupMenu)(HMENU menu, int x, int y, HWND owner);
    // Opens a file or web address with its default program; what the
    // shell makes of it is not reported. Tests record it instead, so that
    // none starts another program.
    void (*shellOpen)(const wchar_t* target);
};

// The table in use; the system's calls until a test changes them.
UiCalls& Ui();
// The system's calls.
UiCalls SystemUiCalls();
