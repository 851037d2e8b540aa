// The real main window in the test's own folder, with every message box,
// dialog and popup menu answered by a script.
#pragma once

#include "app/shell/main_state.h"
#include "app/grid/panel_calls.h"
#include "app/sales/sales_commands.h"
#include "tests/support/test_folder.h"

#include <windows.h>
#include <commctrl.h>

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

// Restores the stock panel's and the grid context's calls afterwards.
class MainWindowTest : public DataFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void OpenWindow();
    // Runs every waiting message; true when WM_QUIT was among them.
    bool Pump();

    void Command(int id);
    HWND Main() const { return MainWindow().window; }
    const MainControls& Controls() const { return MainWindow().controls; }
    bool MenuChecked(int command) const;
    std::vector<std::string> LogLines() const;

    bool servicesStarted = false;
    PanelCalls savedPanel = {};
    GridContextCalls savedContext = {};
};
