// Creates the real main window in the test's own folder, as the program
// does at start-up, with every message box and task dialog answered by a
// script that records what was asked.
#pragma once

#include "app/main_window.h"
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

// What the scripted calls saw, and how they answer.
struct ScriptedUi {
    std::vector<AskedBox> boxes;
    int boxAnswer = IDOK;
    // Each popup menu shown, as its items' texts.
    std::vector<std::vector<std::wstring>> menus;
    int menuAnswer = 0;
    // Runs while a popup menu is up, as the window's timers would.
    void (*whileMenuOpen)() = nullptr;
};
ScriptedUi& Script();

class MainWindowTest : public DataFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Start-up as the program runs it, then the window.
    void OpenWindow();
    // Runs every message waiting; true when WM_QUIT was among them, with
    // its code in quitCode.
    bool Pump(int* quitCode = nullptr);

    void Command(int id);
    HWND Main() const { return MainWindow().window; }
    const MainControls& Controls() const { return MainWindow().controls; }
    bool MenuChecked(int command) const;
    bool Visible(HWND control) const { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }
    std::wstring Text(HWND control) const;
    std::vector<std::string> LogLines() const;

    bool servicesStarted = false;
};
