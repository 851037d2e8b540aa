// The real main window in the test's own folder, with every message box,
// dialog and popup menu answered by a script.
#pragma once

#include "app/shell/main_state.h"
#include "app/grid/panel_calls.h"
#include "app/sales/sales_commands.h"
#include "tests/support/test_folder.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

struct AskedBox {
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT type;
};

struct ScriptedUi {
    std::vector<AskedBox> boxes;
    // What every message box answers.
    int boxAnswer = IDOK;
    int menusShown = 0;
    int menuAnswer = 0;
    // Runs while a popup menu is up, as the window's timers would.
    void (*whileMenuOpen)() = nullptr;
    // What the folder chooser answers (empty: cancelled), and what was
    // handed to the shell to open.
    std::wstring folderAnswer;
    std::vector<std::wstring> opened;
};
ScriptedUi& Script();

// The pointer belongs to the whole display, which the test programs running
// side by side share: a test that moves the pointer, or acts on where it
// rests, holds its turn until it is done.
class PointerTurn {
public:
    PointerTurn();
    ~PointerTurn();
    PointerTurn(const PointerTurn&) = delete;
    PointerTurn& operator=(const PointerTurn&) = delete;

private:
    HANDLE mutex_ = nullptr;
};

// A left click of the real mouse at a point of the screen.
void RealClickAt(POINT screen);

// Restores the stock panel's and the grid context's calls afterwards.
class MainWindowTest : public DataFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void OpenWindow();
    // Runs every waiting message; true when WM_QUIT was among them.
    bool Pump();
    // Pumps until done() holds or the wait ends; whether it holds.
    bool PumpUntil(const std::function<bool()>& done, DWORD waitMs = 5000);
    // Puts the window on screen, where the mouse can reach it.
    void ShowForInput();

    void Command(int id);
    HWND Main() const { return MainWindow().window; }
    const MainControls& Controls() const { return MainWindow().controls; }
    bool MenuChecked(int command) const;
    bool MenuGreyed(int command) const;
    std::wstring MenuText(int command) const;
    // The text of one column of every list item, as the list shows it.
    std::vector<std::wstring> ColumnTexts(int column) const;
    std::vector<std::string> LogLines() const;

    bool servicesStarted = false;
    PanelCalls savedPanel = {};
    GridContextCalls savedContext = {};
};
