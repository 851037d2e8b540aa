// The main window of class "KovBinderwellMain" as every feature of the
// program sees it: its controls, fonts and flags, and the helpers many
// commands share. The window procedure itself lives above every feature.
#pragma once

#include "core/settings.h"
#include "core/stock.h"

#include <windows.h>

#include <iterator>
#include <string>

constexpr const wchar_t* kMainWindowClass = L"KovBinderwellMain";
constexpr const wchar_t* kProgramName = L"Kov's Binderwell";
constexpr const char* kProgramVersion = "0.9.62";

// The stock panel's rows: one per condition, in the order of Condition::All.
constexpr int kConditionRows = static_cast<int>(std::size(Condition::All));

struct MainControls {
    HWND modeToggle = nullptr;
    HWND setFilter = nullptr;
    HWND search = nullptr;
    HWND rarityFilter = nullptr;
    HWND locationFilterLabel = nullptr;
    HWND locationFilter = nullptr;
    HWND clearFilters = nullptr;
    HWND grid = nullptr;
    HWND status = nullptr;
    HWND cardTitle = nullptr;
    HWND cardSubtitle = nullptr;
    HWND variantLabel = nullptr;
    HWND variant = nullptr;
    HWND conditionHeader = nullptr;
    HWND qtyHeader = nullptr;
    HWND priceHeader = nullptr;
    HWND sellHeader = nullptr;
    HWND conditionLabel[kConditionRows] = {};
    HWND qty[kConditionRows] = {};
    HWND price[kConditionRows] = {};
    HWND sell[kConditionRows] = {};
    HWND save = nullptr;
    HWND ebayComps = nullptr;
    HWND ebayCurrent = nullptr;
    HWND ebayHolo = nullptr;
    HWND want = nullptr;
    HWND trade = nullptr;
    HWND locationLabel = nullptr;
    HWND location = nullptr;
    HWND cardImage = nullptr;
    HWND channelLabel = nullptr;
    HWND channel = nullptr;
    HWND showLabel = nullptr;
    HWND showFilter = nullptr;
};

struct MainWindowState {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    HMENU menu = nullptr;
    int dpi = 96;
    HFONT mainFont = nullptr;
    HFONT titleFont = nullptr;
    // The seven user-interface flags of prefs.ini. flags.debugLog is what
    // the menu shows and prefs.ini stores; the logger reads its own switch,
    // DebugLogEnabled.
    UiPrefs flags;
    MainControls controls;
};

// Process-wide; the user-interface thread alone touches it.
MainWindowState& MainWindow();

// The status bar's one part; nothing before the status bar exists.
void SetStatusText(const std::wstring& text);
// What the status bar shows; empty without a status bar.
std::wstring StatusText();

// The ledger the window shows: the collection in Collection mode, else the
// sale stock.
Ledger CurrentLedger();

// Writes the seven flags to prefs.ini. A failed write is silent and the
// flags in memory stay as they are.
void SavePrefs();
// Applies alwaysOnTop to the window.
void ApplyTopmost();
// One menu item's check mark.
void SetMenuCheck(int command, bool checked);

// A folder the user picks to save into; empty when cancelled or when the
// choice is not a file-system folder.
std::wstring ChooseFolder();
