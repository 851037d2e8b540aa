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

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr const wchar_t* kSavedStatus = L"Store settings saved \u2014 Generate to apply them";

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

// What the colour chooser was asked; each answer is a colour, or
// CLR_INVALID for a cancel. The user also sets the custom colour of the
// turn to red, which later openings must show again.
struct ColourAsked {
    bool ownedBySettingsWindow;
    COLORREF initial;
    DWORD flags;
    COLORREF custom[3];
};
std::vector<ColourAsked> coloursAsked;
std::vector<COLORREF> colourAnswers;

BOOL ScriptedChooseColor(CHOOSECOLORW* request)
{
    const HWND window = FindThreadWindow(kStoreSettingsWindowClass);
    const size_t turn = coloursAsked.size();
    coloursAsked.push_back({window && request->hwndOwner == window, request->rgbResult, request->Flags,
                            {request->lpCustColors[0], request->lpCustColors[1], request->lpCustColors[2]}});
    request->lpCustColors[turn] = RGB(0xFF, 0, 0);
    if (turn >= colourAnswers.size() || colourAnswers[turn] == CLR_INVALID)
        return FALSE;
    request->rgbResult = colourAnswers[turn];
    return TRUE;
}

std::wstring Text(HWND window, int id)
{
    return WindowText(GetDlgItem(window, id));
}

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

LRESULT SiteCombo(HWND window, UINT message)
{
    return SendMessageW(GetDlgItem(window, IDC_SETTINGS_EBAYSITE), message, 0, 0);
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

    // The menu command with the steps; whether it reported a save.
    bool Edit(std::vector<std::function<void(HWND)>> script)
    {
        SetStatusText(L"Before");
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
        const std::wstring status = StatusText();
        EXPECT_TRUE(status == kSavedStatus || status == L"Before") << status;
        return status == kSavedStatus;
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
    settings.tagline = L"Tag";
    settings.banner = L"Sale on";
    settings.contact = L"me@example.com";
    settings.notes = L"line one\nline two \\n literal";
    settings.accent = L"#fff";
    settings.ebaySite = L"ebay.example-shop";
    settings.currencyCode = L"NZD";
    settings.currencySymbol = L"NZ$";
    Write(settings);

    EXPECT_TRUE(Edit({[&](HWND window) {
        EXPECT_EQ(GetWindow(window, GW_OWNER), Main());
        EXPECT_FALSE(IsWindowEnabled(Main()));
        EXPECT_EQ(GetFocus(), GetDlgItem(window, IDC_SETTINGS_TITLE));
        EXPECT_EQ(Text(window, IDC_SETTINGS_TITLE), settings.title);
        EXPECT_EQ(Text(window, IDC_SETTINGS_TAGLINE), L"Tag");
        EXPECT_EQ(Text(window, IDC_SETTINGS_BANNER), L"Sale on");
        EXPECT_EQ(Text(window, IDC_SETTINGS_CONTACT), L"me@example.com");
        EXPECT_EQ(SendMessageW(GetDlgItem(window, IDC_SETTINGS_NOTES), EM_GETLINECOUNT, 0, 0), 2);
        EXPECT_EQ(Text(window, IDC_SETTINGS_CURCODE), L"NZD");
        EXPECT_EQ(Text(window, IDC_SETTINGS_CURSYM), L"NZ$");
        // A site outside the list joins it, chosen, rather than be lost to
        // the first entry on Save.
        EXPECT_EQ(SiteCombo(window, CB_GETCOUNT), 11);
        EXPECT_EQ(SiteCombo(window, CB_GETCURSEL), 10);
        EXPECT_EQ(SwatchFill(window), RGB(0xFF, 0xFF, 0xFF));
        Press(window, IDC_SETTINGS_SAVE);
    }}));

    StoreSettings stored = Stored();
    EXPECT_EQ(stored.accent, L"#FFFFFF");
    stored.accent = settings.accent;
    const auto fields = [](const StoreSettings& s) {
        return std::vector<std::wstring>{s.title,  s.tagline,  s.contact,      s.notes,         s.banner,
                                         s.accent, s.ebaySite, s.currencyCode, s.currencySymbol};
    };
    EXPECT_EQ(fields(stored), fields(settings));
    // The two lines are one value, separated by a single line feed.
    EXPECT_NE(ReadFileBytes(path).find("\nnotes=line one\\nline two \\\\n literal\n"), std::string::npos);
    const std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Store settings saved"), lines.end());

    // An accent that is no colour shows as the default and is saved so.
    settings.accent = L"red";
    Write(settings);
    EXPECT_TRUE(Edit({[](HWND window) {
        EXPECT_EQ(SwatchFill(window), RGB(0x1F, 0x4E, 0x78));
        SendMessageW(window, WM_COMMAND, IDOK, 0);
    }}));
    EXPECT_EQ(Stored().accent, L"#1F4E78");
}

TEST_F(StoreSettingsWindowTest, ResetShowsTheDefaultsButOnlySaveWritesThem)
{
    // Without a file the window shows the defaults, and Cancel writes none.
    EXPECT_FALSE(Edit({[](HWND window) {
        EXPECT_EQ(Text(window, IDC_SETTINGS_TITLE), L"Pok\u00e9mon Cards");
        EXPECT_EQ(SiteCombo(window, CB_GETCOUNT), 10);
        EXPECT_EQ(SiteCombo(window, CB_GETCURSEL), 1);
        Press(window, IDC_SETTINGS_CANCEL);
    }}));
    EXPECT_FALSE(FileExists(path));

    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    settings.title = L"My shop";
    settings.notes = L"a\nb";
    settings.accent = L"#102030";
    settings.ebaySite = L"ebay.de";
    settings.currencySymbol = L"\u20ac";
    Write(settings);
    const std::string before = ReadFileBytes(path);

    const auto reset = [](HWND window) {
        Press(window, IDC_SETTINGS_RESET);
        EXPECT_EQ(Text(window, IDC_SETTINGS_TITLE), L"Pok\u00e9mon Cards");
        EXPECT_EQ(Text(window, IDC_SETTINGS_NOTES), L"");
        EXPECT_EQ(Text(window, IDC_SETTINGS_CURSYM), L"$");
        EXPECT_EQ(Text(window, IDC_SETTINGS_EBAYSITE), kDefaultAuctionSite);
        EXPECT_EQ(SwatchFill(window), RGB(0x1F, 0x4E, 0x78));
    };
    for (const auto& cancel : std::vector<std::function<void(HWND)>>{
             [](HWND window) { Press(window, IDC_SETTINGS_CANCEL); },
             [](HWND window) { SendMessageW(window, WM_COMMAND, IDCANCEL, 0); }, // Escape
             [](HWND window) { SendMessageW(window, WM_CLOSE, 0, 0); },         // the close box
         }) {
        EXPECT_FALSE(Edit({[&](HWND window) {
            reset(window);
            cancel(window);
        }}));
        EXPECT_EQ(ReadFileBytes(path), before);
    }

    EXPECT_TRUE(Edit({[&](HWND window) {
        reset(window);
        Press(window, IDC_SETTINGS_SAVE);
    }}));
    const StoreSettings stored = Stored();
    EXPECT_EQ(stored.title, L"Pok\u00e9mon Cards");
    EXPECT_EQ(stored.notes, L"");
    EXPECT_EQ(stored.accent, L"#1F4E78");
    EXPECT_EQ(stored.ebaySite, kDefaultAuctionSite);
    EXPECT_EQ(stored.currencySymbol, L"$");
}

TEST_F(StoreSettingsWindowTest, AFileThatCannotBeReplacedKeepsTheWindowOpenWithTheEdits)
{
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    Write(settings);
    const std::string before = ReadFileBytes(path);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

    // The window must still be there for the steps after the failed Save.
    const auto failedSave = [&](HWND window) {
        SetWindowTextW(GetDlgItem(window, IDC_SETTINGS_TITLE), L"Typed title");
        Press(window, IDC_SETTINGS_SAVE);
        ASSERT_FALSE(Script().boxes.empty());
        EXPECT_EQ(Script().boxes.back().owner, window);
        EXPECT_EQ(Script().boxes.back().text, L"Could not save settings:\n\ncould not replace settings.ini");
        EXPECT_EQ(Script().boxes.back().title, L"Store page settings");
        EXPECT_EQ(Script().boxes.back().type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(ReadFileBytes(path), before);
    };
    EXPECT_FALSE(Edit({failedSave, [](HWND window) {
                           EXPECT_EQ(Text(window, IDC_SETTINGS_TITLE), L"Typed title");
                           Press(window, IDC_SETTINGS_CANCEL);
                       }}));
    EXPECT_EQ(ReadFileBytes(path), before);

    // Once the file can be replaced, the same window saves what is typed.
    EXPECT_TRUE(Edit({failedSave, [&](HWND window) {
                          SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                          Press(window, IDC_SETTINGS_SAVE);
                      }}));
    EXPECT_EQ(Script().boxes.size(), 2u);
    EXPECT_EQ(Stored().title, L"Typed title");
}

TEST_F(StoreSettingsWindowTest, TheColourChooserStartsFromTheAccentAndKeepsItsCustomColours)
{
    colourAnswers = {RGB(0x12, 0x34, 0x56), CLR_INVALID, RGB(0xF0, 0xF0, 0xF0)};
    EXPECT_TRUE(Edit({[](HWND window) {
        Press(window, IDC_SETTINGS_ACCENT);
        EXPECT_EQ(SwatchFill(window), RGB(0x12, 0x34, 0x56));
        Press(window, IDC_SETTINGS_ACCENT); // cancelled: nothing changes
        EXPECT_EQ(SwatchFill(window), RGB(0x12, 0x34, 0x56));
        Press(window, IDC_SETTINGS_ACCENT);
        Press(window, IDC_SETTINGS_SAVE);
    }}));
    EXPECT_EQ(Stored().accent, L"#F0F0F0");

    ASSERT_EQ(coloursAsked.size(), 3u);
    const COLORREF initials[] = {RGB(0x1F, 0x4E, 0x78), RGB(0x12, 0x34, 0x56), RGB(0x12, 0x34, 0x56)};
    for (size_t turn = 0; turn < 3; ++turn) {
        EXPECT_TRUE(coloursAsked[turn].ownedBySettingsWindow);
        EXPECT_EQ(coloursAsked[turn].initial, initials[turn]);
        EXPECT_EQ(coloursAsked[turn].flags, static_cast<DWORD>(CC_RGBINIT | CC_FULLOPEN));
        // White at first; each opening shows what the user set before.
        for (size_t slot = 0; slot < 3; ++slot)
            EXPECT_EQ(coloursAsked[turn].custom[slot], slot < turn ? RGB(0xFF, 0, 0) : RGB(0xFF, 0xFF, 0xFF));
    }
}

TEST_F(StoreSettingsWindowTest, EnterSavesFromALineFieldButStartsANewLineInTheNotes)
{
    EXPECT_TRUE(Edit({
        [](HWND window) {
            SetWindowTextW(GetDlgItem(window, IDC_SETTINGS_NOTES), L"first");
            SendMessageW(GetDlgItem(window, IDC_SETTINGS_NOTES), EM_SETSEL, 5, 5);
            PressEnter(window, IDC_SETTINGS_NOTES);
        },
        [this](HWND window) {
            EXPECT_FALSE(FileExists(path));
            EXPECT_EQ(Text(window, IDC_SETTINGS_NOTES), L"first\r\n");
            SendMessageW(GetDlgItem(window, IDC_SETTINGS_NOTES), EM_REPLACESEL, FALSE,
                         reinterpret_cast<LPARAM>(L"second"));
            PressEnter(window, IDC_SETTINGS_CURCODE);
        },
    }));
    EXPECT_EQ(Stored().notes, L"first\nsecond");
}

} // namespace
