// The store page settings window, opened from the real main window's menu:
// each test acts from inside the window's loop, as a user would, and reads
// back the window, the message boxes, the status bar and settings.ini.
#include "app/store/store_settings_window.h"

#include "app/shell/ids.h"
#include "core/settings.h"
#include "tests/app/main/main_window_fixture.h"
#include "tests/support/process_window.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <functional>
#include <vector>

namespace {

// Steps run one after another from the window's own loop, each once the
// messages the one before it left have been handled.
std::vector<std::function<void(HWND)>> steps;
size_t nextStep = 0;
UINT_PTR stepTimer = 0;
UINT_PTR hangTimer = 0;

// The last step must close the window; one that does not is a fault, not a
// hang.
void CALLBACK CloseLeftOpen(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, hangTimer);
    ADD_FAILURE() << "the window was left open";
    PostMessageW(FindThreadWindow(kStoreSettingsWindowClass), WM_CLOSE, 0, 0);
}

void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, stepTimer);
    HWND window = FindThreadWindow(kStoreSettingsWindowClass);
    if (!window || nextStep >= steps.size())
        return;
    steps[nextStep++](window);
    if (nextStep < steps.size())
        stepTimer = SetTimer(nullptr, 0, 0, RunStep);
    else
        hangTimer = SetTimer(nullptr, 0, 10000, CloseLeftOpen);
}

// The colour chooser records the colour it starts from and answers in turn
// (CLR_INVALID: a cancel).
std::vector<COLORREF> coloursAsked;
std::vector<COLORREF> colourAnswers;

BOOL ScriptedChooseColor(CHOOSECOLORW* request)
{
    const size_t turn = coloursAsked.size();
    coloursAsked.push_back(request->rgbResult);
    if (turn >= colourAnswers.size() || colourAnswers[turn] == CLR_INVALID)
        return FALSE;
    request->rgbResult = colourAnswers[turn];
    return TRUE;
}

std::wstring Text(HWND window, int id) { return WindowText(GetDlgItem(window, id)); }

void Press(HWND window, int id)
{
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// Enter on a control, as the window's loop hands it on.
void PressEnter(HWND window, int id)
{
    HWND control = GetDlgItem(window, id);
    SetFocus(control);
    MSG press = {control, WM_KEYDOWN, VK_RETURN, 1 | (MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC) << 16), 0, {}};
    if (!IsDialogMessageW(window, &press)) {
        TranslateMessage(&press);
        DispatchMessageW(&press);
    }
}

// The swatch as drawn: a point inside its frame, away from the text.
COLORREF SwatchFill(HWND window)
{
    HWND swatch = GetDlgItem(window, IDC_SETTINGS_ACCENT);
    UpdateWindow(swatch);
    HDC dc = GetDC(swatch);
    const COLORREF colour = GetPixel(dc, 4, 4);
    ReleaseDC(swatch, dc);
    return colour;
}

class StoreSettingsWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        coloursAsked.clear();
        colourAnswers.clear();
        Ui().chooseColor = ScriptedChooseColor;
        path = StoreSettingsFilePath();
        OpenWindow();
    }

    // The menu command with the steps; the window must end closed, the main
    // window enabled again and no temporary file left.
    void Edit(std::vector<std::function<void(HWND)>> script)
    {
        steps = std::move(script);
        nextStep = 0;
        stepTimer = SetTimer(nullptr, 0, 0, RunStep);
        Command(IDM_STORE_SETTINGS);
        KillTimer(nullptr, stepTimer);
        KillTimer(nullptr, hangTimer);
        EXPECT_EQ(nextStep, steps.size()) << "the window closed before every step ran";
        EXPECT_TRUE(IsWindowEnabled(Main()));
        EXPECT_FALSE(FindThreadWindow(kStoreSettingsWindowClass));
        EXPECT_FALSE(FileExists(path + L".tmp"));
    }

    void Write(const StoreSettings& settings)
    {
        std::string error;
        ASSERT_TRUE(SaveStoreSettings(path, settings, error)) << error;
    }

    StoreSettings Stored() const
    {
        StoreSettings settings;
        EXPECT_TRUE(LoadStoreSettings(path, settings));
        return settings;
    }

    std::wstring path;
};

TEST_F(StoreSettingsWindowTest, WhatTheFileHoldsIsShownAndSavedBackWithTheAccentInItsCanonicalForm)
{
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    settings.title = L"Kov's \u00e9 shop";
    settings.contact = L"me@example.com";
    settings.notes = L"line one\nline two \\n literal";
    settings.accent = L"#fff";
    settings.ebaySite = L"ebay.example-shop"; // outside the list: kept, not lost to the first entry
    settings.currencySymbol = L"NZ$";
    Write(settings);

    Edit({[&](HWND window) {
        EXPECT_FALSE(IsWindowEnabled(Main()));
        EXPECT_EQ(Text(window, IDC_SETTINGS_TITLE), settings.title);
        EXPECT_EQ(Text(window, IDC_SETTINGS_EBAYSITE), settings.ebaySite);
        EXPECT_EQ(SwatchFill(window), RGB(0xFF, 0xFF, 0xFF));
        Press(window, IDC_SETTINGS_SAVE);
    }});
    StoreSettings stored = Stored();
    EXPECT_EQ(stored.accent, L"#FFFFFF");
    stored.accent = settings.accent;
    const auto fields = [](const StoreSettings& s) {
        return std::vector<std::wstring>{s.title, s.contact, s.notes, s.accent, s.ebaySite, s.currencySymbol};
    };
    EXPECT_EQ(fields(stored), fields(settings));

    // An accent that is no colour shows as the default and is saved so.
    settings.accent = L"red";
    Write(settings);
    Edit({[](HWND window) {
        EXPECT_EQ(SwatchFill(window), RGB(0x1F, 0x4E, 0x78));
        SendMessageW(window, WM_COMMAND, IDOK, 0);
    }});
    EXPECT_EQ(Stored().accent, L"#1F4E78");
}

TEST_F(StoreSettingsWindowTest, ResetShowsTheDefaultsButOnlySaveWritesThem)
{
    // Without a file, Cancel writes none.
    Edit({[](HWND window) { Press(window, IDC_SETTINGS_CANCEL); }});
    EXPECT_FALSE(FileExists(path));

    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    settings.title = L"My shop";
    settings.accent = L"#102030";
    settings.ebaySite = L"ebay.de";
    Write(settings);
    const std::string before = ReadFileBytes(path);

    const auto reset = [](HWND window) {
        Press(window, IDC_SETTINGS_RESET);
        EXPECT_EQ(Text(window, IDC_SETTINGS_EBAYSITE), kDefaultAuctionSite);
        EXPECT_EQ(SwatchFill(window), RGB(0x1F, 0x4E, 0x78));
    };
    for (const auto& cancel : std::vector<std::function<void(HWND)>>{
             [](HWND window) { Press(window, IDC_SETTINGS_CANCEL); },
             [](HWND window) { SendMessageW(window, WM_COMMAND, IDCANCEL, 0); }, // Escape
             [](HWND window) { SendMessageW(window, WM_CLOSE, 0, 0); },         // the close box
         }) {
        Edit({[&](HWND window) {
            reset(window);
            cancel(window);
        }});
        EXPECT_EQ(ReadFileBytes(path), before);
    }

    Edit({[&](HWND window) {
        reset(window);
        Press(window, IDC_SETTINGS_SAVE);
    }});
    StoreSettings defaults;
    InitDefaultStoreSettings(defaults);
    EXPECT_EQ(Stored().title, defaults.title);
    EXPECT_EQ(Stored().accent, L"#1F4E78");
    EXPECT_EQ(Stored().ebaySite, kDefaultAuctionSite);
}

TEST_F(StoreSettingsWindowTest, AFileThatCannotBeReplacedKeepsTheWindowOpenWithTheEdits)
{
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    Write(settings);
    const std::string before = ReadFileBytes(path);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

    // The window must still be there, owning the error box, after the failed Save.
    const auto failedSave = [&](HWND window) {
        SetWindowTextW(GetDlgItem(window, IDC_SETTINGS_TITLE), L"Typed title");
        Press(window, IDC_SETTINGS_SAVE);
        ASSERT_FALSE(Script().boxes.empty());
        EXPECT_EQ(Script().boxes.back().owner, window);
        EXPECT_EQ(ReadFileBytes(path), before);
    };
    Edit({failedSave, [](HWND window) {
              EXPECT_EQ(Text(window, IDC_SETTINGS_TITLE), L"Typed title");
              Press(window, IDC_SETTINGS_CANCEL);
          }});
    EXPECT_EQ(ReadFileBytes(path), before);

    // Once the file can be replaced, the same window saves what is typed.
    Edit({failedSave, [&](HWND window) {
              SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
              Press(window, IDC_SETTINGS_SAVE);
          }});
    EXPECT_EQ(Script().boxes.size(), 2u);
    EXPECT_EQ(Stored().title, L"Typed title");
}

// The colour chooser starts from the accent, a cancel changes nothing; Enter
// starts a new line in the notes but saves from a line field.
TEST_F(StoreSettingsWindowTest, ColourChooserAndEnterKey)
{
    colourAnswers = {RGB(0x12, 0x34, 0x56), CLR_INVALID, RGB(0xF0, 0xF0, 0xF0)};
    Edit({
        [](HWND window) {
            Press(window, IDC_SETTINGS_ACCENT);
            Press(window, IDC_SETTINGS_ACCENT); // cancelled
            EXPECT_EQ(SwatchFill(window), RGB(0x12, 0x34, 0x56));
            Press(window, IDC_SETTINGS_ACCENT);
            SetWindowTextW(GetDlgItem(window, IDC_SETTINGS_NOTES), L"first");
            SendMessageW(GetDlgItem(window, IDC_SETTINGS_NOTES), EM_SETSEL, 5, 5);
            PressEnter(window, IDC_SETTINGS_NOTES);
        },
        [this](HWND window) {
            EXPECT_FALSE(FileExists(path));
            SendMessageW(GetDlgItem(window, IDC_SETTINGS_NOTES), EM_REPLACESEL, FALSE,
                         reinterpret_cast<LPARAM>(L"second"));
            PressEnter(window, IDC_SETTINGS_CURCODE);
        },
    });
    EXPECT_EQ(coloursAsked, (std::vector<COLORREF>{RGB(0x1F, 0x4E, 0x78), RGB(0x12, 0x34, 0x56), RGB(0x12, 0x34, 0x56)}));
    EXPECT_EQ(Stored().accent, L"#F0F0F0");
    EXPECT_EQ(Stored().notes, L"first\nsecond");
}

} // namespace
