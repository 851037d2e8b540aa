#include "app/shell/main_state.h"

#include "ui/ui_calls.h"

#include <commctrl.h>

MainWindowState& MainWindow()
{
    static MainWindowState state;
    return state;
}

void SetStatusText(const std::wstring& text)
{
    HWND status = MainWindow().controls.status;
    if (status)
        SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring StatusText()
{
    HWND status = MainWindow().controls.status;
    if (!status)
        return std::wstring();
    const int length = LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

Ledger CurrentLedger()
{
    return MainWindow().flags.collectionMode ? Ledger::Collection : Ledger::Sale;
}

void SavePrefs()
{
    std::string ignored;
    SaveUiPrefs(PrefsFilePath(), MainWindow().flags, ignored);
}

void ApplyTopmost()
{
    const MainWindowState& state = MainWindow();
    SetWindowPos(state.window, state.flags.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void SetMenuCheck(int command, bool checked)
{
    HMENU menu = MainWindow().menu;
    if (menu)
        CheckMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

std::wstring ChooseFolder()
{
    return Ui().browseForFolder(MainWindow().window, L"Choose a folder to save into");
}
