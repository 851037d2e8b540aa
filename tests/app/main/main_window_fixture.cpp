#include "tests/app/main/main_window_fixture.h"

#include "app/main/main_window.h"
#include "app/main/startup.h"
#include "app/panel/panel.h"
#include "ui/ui_calls.h"

#include <sstream>

namespace {

int ScriptedMessageBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT type)
{
    Script().boxes.push_back({owner, text ? text : L"", title ? title : L"", type});
    return IDOK;
}

HRESULT NoTaskDialog(const TASKDIALOGCONFIG*, int*) { return E_NOTIMPL; }
std::wstring ScriptedFolder(HWND, const wchar_t*) { return Script().folderAnswer; }
BOOL NoFile(OPENFILENAMEW*) { return FALSE; }
BOOL NoColour(CHOOSECOLORW*) { return FALSE; }

int ScriptedPopupMenu(HMENU, int, int, HWND)
{
    ++Script().menusShown;
    if (Script().whileMenuOpen)
        Script().whileMenuOpen();
    return Script().menuAnswer;
}

void RecordShellOpen(const wchar_t* target)
{
    Script().opened.push_back(target);
}

} // namespace

ScriptedUi& Script()
{
    static ScriptedUi script;
    return script;
}

void MainWindowTest::SetUp()
{
    DataFolderTest::SetUp();
    Script() = ScriptedUi();
    Ui() = UiCalls{ScriptedMessageBox, NoTaskDialog, ScriptedFolder, NoFile, NoFile, NoColour, ScriptedPopupMenu,
                   RecordShellOpen};
    savedPanel = Panel();
    savedContext = GridContext();
    InstallStockPanel();
    InstallDataServices(folder.Path());
}

void MainWindowTest::OpenWindow()
{
    StartServices();
    servicesStarted = true;
    ASSERT_NE(CreateMainWindow(GetModuleHandleW(nullptr)), nullptr);
    // Not shown: without a window manager, Wine waits two seconds for the
    // display to let go of every window that was on screen.
    Pump();
}

void MainWindowTest::TearDown()
{
    if (Main())
        DestroyWindow(Main());
    Pump();
    if (servicesStarted)
        StopServices(true);
    Ui() = SystemUiCalls();
    Panel() = savedPanel;
    GridContext() = savedContext;
    DataFolderTest::TearDown();
}

bool MainWindowTest::Pump()
{
    bool quit = false;
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
        quit = quit || msg.message == WM_QUIT;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return quit;
}

void MainWindowTest::Command(int id)
{
    SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    Pump();
}

bool MainWindowTest::MenuChecked(int command) const
{
    return (GetMenuState(MainWindow().menu, static_cast<UINT>(command), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The log's lines without their "[time] " stamps.
std::vector<std::string> MainWindowTest::LogLines() const
{
    std::istringstream in(ReadFileBytes(folder.File(L"debug.log")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t cut = line.find("] ");
        if (!line.empty())
            lines.push_back(cut == std::string::npos ? line : line.substr(cut + 2));
    }
    return lines;
}
