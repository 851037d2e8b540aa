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
    return Script().boxAnswer;
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

PointerTurn::PointerTurn()
{
    // Named objects reach every program of the one wineserver the run uses.
    mutex_ = CreateMutexW(nullptr, FALSE, L"binderwell-tests-pointer");
    const DWORD waited = mutex_ ? WaitForSingleObject(mutex_, 120000) : WAIT_FAILED;
    EXPECT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) << "no turn at the pointer";
}

PointerTurn::~PointerTurn()
{
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

void RealClickAt(POINT screen)
{
    ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
}

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

bool MainWindowTest::PumpUntil(const std::function<bool()>& done, DWORD waitMs)
{
    const ULONGLONG end = GetTickCount64() + waitMs;
    while (!done() && GetTickCount64() < end) {
        Pump();
        Sleep(10);
    }
    return done();
}

void MainWindowTest::ShowForInput()
{
    // Topmost, so that no window another test program shows meanwhile (the
    // single-instance test starts the real program) takes the clicks.
    SetWindowPos(Main(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(Main());
    Pump();
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

bool MainWindowTest::MenuGreyed(int command) const
{
    return (GetMenuState(MainWindow().menu, static_cast<UINT>(command), MF_BYCOMMAND) & MF_GRAYED) != 0;
}

std::wstring MainWindowTest::MenuText(int command) const
{
    wchar_t text[128] = {};
    GetMenuStringW(MainWindow().menu, static_cast<UINT>(command), text, 128, MF_BYCOMMAND);
    return text;
}

std::vector<std::wstring> MainWindowTest::ColumnTexts(int column) const
{
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(Controls().grid, LVM_GETITEMCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        wchar_t text[128] = {};
        ListView_GetItemText(Controls().grid, item, column, text, 128);
        texts.push_back(text);
    }
    return texts;
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
