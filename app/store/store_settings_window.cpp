#include "app/store/store_settings_window.h"

#include "app/shell/main_state.h"
#include "app/store/store_settings_form.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/text.h"
#include "ui/controls.h"
#include "ui/dialog_controls.h"
#include "ui/modal_window.h"
#include "ui/ui_calls.h"

#include <commctrl.h>

#include <vector>

namespace {

constexpr const wchar_t* kTitle = L"Store page settings";

struct StoreSettingsDlgState {
    std::wstring settingsPath;
    HWND title = nullptr;
    HWND tagline = nullptr;
    HWND banner = nullptr;
    HWND contact = nullptr;
    HWND notes = nullptr;
    HWND accentSwatch = nullptr;
    HWND site = nullptr;
    HWND currencyCode = nullptr;
    HWND currencySymbol = nullptr;
    HWND save = nullptr;
    HWND cancel = nullptr;
    HWND reset = nullptr;
    FontHandle font;
    // The accent lives here only as a colour: Save writes it back in one
    // canonical text form, whatever the file held.
    COLORREF accent = kDefaultAccent;
    // The colour chooser's own custom colours, kept while the window is open.
    COLORREF customColours[16] = {};
    int dpi = 96;
    bool running = false;
    bool saved = false;
    // The control that had the keyboard when the window last lost it.
    HWND lastFocus = nullptr;

    int Scale(int value) const { return MulDiv(value, dpi, 96); }
};

// The fixed parts of the layout at 96 dpi.
constexpr int kMargin = 12;
constexpr int kContentWidth = 456;
constexpr int kLabelHeight = 16;
constexpr int kLabelGap = 2;
constexpr int kEditHeight = 24;
constexpr int kFieldGap = 9;
constexpr int kNotesHeight = 84;
constexpr int kSwatchWidth = 150;
constexpr int kSwatchHeight = 30;
constexpr int kSectionGap = 14;
constexpr int kSiteWidth = 200;
constexpr int kCodeWidth = 120;
constexpr int kSymbolWidth = 80;
constexpr int kColumnGap = 10;
constexpr int kButtonHeight = 28;
constexpr int kResetWidth = 128;
constexpr int kButtonWidth = 92;
constexpr int kButtonGap = 8;

HWND CreateChild(HWND parent, HFONT font, DWORD exStyle, const wchar_t* className, const wchar_t* text,
                 DWORD style, int x, int y, int width, int height, int id)
{
    return CreateDialogControl(parent, exStyle, className, text, style, ControlBox{x, y, width, height}, id, font);
}

HWND CreateSettingsLabel(HWND parent, HFONT font, const wchar_t* text, int x, int y, int width, int height)
{
    return CreateChild(parent, font, 0, WC_STATICW, text, WS_CHILD | WS_VISIBLE, x, y, width, height, 0);
}

void FillStoreSettingsControls(StoreSettingsDlgState& state, const StoreSettings& settings)
{
    SetWindowTextW(state.title, settings.title.c_str());
    SetWindowTextW(state.tagline, settings.tagline.c_str());
    SetWindowTextW(state.banner, settings.banner.c_str());
    SetWindowTextW(state.contact, settings.contact.c_str());
    SetWindowTextW(state.notes, LfToCrLf(settings.notes).c_str());

    state.accent = ParseHexColour(settings.accent);
    InvalidateRect(state.accentSwatch, nullptr, TRUE);

    // A site the list does not offer is still the user's choice: it joins
    // the list rather than be replaced by the first entry on the next Save.
    const std::wstring site = settings.ebaySite.empty() ? kDefaultAuctionSite : settings.ebaySite;
    LRESULT index = SendMessageW(state.site, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(site.c_str()));
    if (index == CB_ERR)
        index = SendMessageW(state.site, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(site.c_str()));
    SendMessageW(state.site, CB_SETCURSEL, static_cast<WPARAM>(index), 0);

    SetWindowTextW(state.currencyCode, settings.currencyCode.c_str());
    SetWindowTextW(state.currencySymbol, settings.currencySymbol.c_str());
}

// The fields are written as typed: the store page escapes what it prints.
void SaveStoreSettingsFromDialog(HWND window, StoreSettingsDlgState& state)
{
    StoreSettings settings;
    InitStoreSettings(settings);
    settings.title = WindowText(state.title);
    settings.tagline = WindowText(state.tagline);
    settings.banner = WindowText(state.banner);
    settings.contact = WindowText(state.contact);
    settings.notes = WindowText(state.notes);
    settings.ebaySite = WindowText(state.site);
    settings.currencyCode = WindowText(state.currencyCode);
    settings.currencySymbol = WindowText(state.currencySymbol);
    settings.accent = FormatHexColour(state.accent);
    if (settings.ebaySite.empty())
        settings.ebaySite = kDefaultAuctionSite;

    std::string error;
    if (!SaveStoreSettings(state.settingsPath, settings, error)) {
        const std::wstring text = L"Could not save settings:\n\n" + Utf8ToWide(error);
        Ui().messageBox(window, text.c_str(), kTitle, MB_ICONERROR);
        return;
    }
    Log("Store settings saved");
    state.saved = true;
    state.running = false;
}

void ChooseAccent(HWND window, StoreSettingsDlgState& state)
{
    CHOOSECOLORW request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = window;
    request.rgbResult = state.accent;
    request.lpCustColors = state.customColours;
    request.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!Ui().chooseColor(&request))
        return;
    state.accent = request.rgbResult;
    InvalidateRect(state.accentSwatch, nullptr, TRUE);
}

void DrawAccentSwatch(const StoreSettingsDlgState& state, const DRAWITEMSTRUCT& item)
{
    RECT area = item.rcItem;
    HBRUSH fill = CreateSolidBrush(state.accent);
    FillRect(item.hDC, &area, fill);
    DeleteObject(fill);
    FrameRect(item.hDC, &area, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SetTextColor(item.hDC, SwatchTextColour(state.accent));
    SetBkMode(item.hDC, TRANSPARENT);
    std::wstring text = FormatHexColour(state.accent);
    DrawTextW(item.hDC, text.data(), static_cast<int>(text.size()), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &area);
}

// Every control, or false as soon as one cannot be made: a Save from a
// window missing a field would write that field empty.
bool CreateStoreSettingsControls(HWND window, StoreSettingsDlgState& state)
{
    const auto s = [&state](int value) { return state.Scale(value); };
    HFONT font = state.font.get();
    const DWORD lineEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    const int left = s(kMargin);
    const int width = s(kContentWidth);
    std::vector<HWND> made;
    int y = s(kMargin);

    struct LineField {
        const wchar_t* label;
        int id;
        HWND StoreSettingsDlgState::*control;
    };
    for (const LineField& field : {
             LineField{L"Page title", IDC_SETTINGS_TITLE, &StoreSettingsDlgState::title},
             LineField{L"Tagline / subtitle (blank = hidden)", IDC_SETTINGS_TAGLINE, &StoreSettingsDlgState::tagline},
             LineField{L"Announcement banner (blank = hidden)", IDC_SETTINGS_BANNER, &StoreSettingsDlgState::banner},
             LineField{L"Contact line", IDC_SETTINGS_CONTACT, &StoreSettingsDlgState::contact},
         }) {
        made.push_back(CreateSettingsLabel(window, font, field.label, left, y, width, s(kLabelHeight)));
        y += s(kLabelHeight) + s(kLabelGap);
        state.*field.control = CreateChild(window, font, WS_EX_CLIENTEDGE, WC_EDITW, L"", lineEdit, left, y, width,
                                           s(kEditHeight), field.id);
        y += s(kEditHeight) + s(kFieldGap);
    }

    made.push_back(CreateSettingsLabel(window, font, L"Notes / info block (blank = hidden)", left, y, width,
                                       s(kLabelHeight)));
    y += s(kLabelHeight) + s(kLabelGap);
    state.notes = CreateChild(window, font, WS_EX_CLIENTEDGE, WC_EDITW, L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL |
                                  ES_WANTRETURN,
                              left, y, width, s(kNotesHeight), IDC_SETTINGS_NOTES);
    y += s(kNotesHeight) + s(kFieldGap);

    made.push_back(
        CreateSettingsLabel(window, font, L"Accent colour (click to change)", left, y, width, s(kLabelHeight)));
    y += s(kLabelHeight) + s(kLabelGap);
    state.accentSwatch = CreateChild(window, font, 0, WC_BUTTONW, L"", button | BS_OWNERDRAW, left, y,
                                     s(kSwatchWidth), s(kSwatchHeight), IDC_SETTINGS_ACCENT);
    y += s(kSwatchHeight) + s(kSectionGap);

    const int codeX = left + s(kSiteWidth) + s(kColumnGap);
    const int symbolX = codeX + s(kCodeWidth) + s(kColumnGap);
    made.push_back(
        CreateSettingsLabel(window, font, L"eBay site (comps search)", left, y, s(kSiteWidth), s(kLabelHeight)));
    made.push_back(CreateSettingsLabel(window, font, L"Currency code", codeX, y, s(kCodeWidth), s(kLabelHeight)));
    made.push_back(CreateSettingsLabel(window, font, L"Symbol", symbolX, y, s(kSymbolWidth), s(kLabelHeight)));
    y += s(kLabelHeight) + s(kLabelGap);
    state.site = CreateChild(window, font, 0, WC_COMBOBOXW, L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, left, y,
                             s(kSiteWidth), s(240), IDC_SETTINGS_EBAYSITE);
    state.currencyCode = CreateChild(window, font, WS_EX_CLIENTEDGE, WC_EDITW, L"", lineEdit, codeX, y,
                                     s(kCodeWidth), s(kEditHeight), IDC_SETTINGS_CURCODE);
    state.currencySymbol = CreateChild(window, font, WS_EX_CLIENTEDGE, WC_EDITW, L"", lineEdit, symbolX, y,
                                       s(kSymbolWidth), s(kEditHeight), IDC_SETTINGS_CURSYM);
    y += s(kEditHeight) + s(kSectionGap);

    const int cancelX = left + width - s(kButtonWidth);
    const int saveX = cancelX - s(kButtonGap) - s(kButtonWidth);
    state.reset = CreateChild(window, font, 0, WC_BUTTONW, L"Reset to defaults", button, left, y, s(kResetWidth),
                              s(kButtonHeight), IDC_SETTINGS_RESET);
    state.save = CreateChild(window, font, 0, WC_BUTTONW, L"Save", button | BS_DEFPUSHBUTTON, saveX, y,
                             s(kButtonWidth), s(kButtonHeight), IDC_SETTINGS_SAVE);
    state.cancel = CreateChild(window, font, 0, WC_BUTTONW, L"Cancel", button, cancelX, y, s(kButtonWidth),
                               s(kButtonHeight), IDC_SETTINGS_CANCEL);

    for (HWND control : {state.title, state.tagline, state.banner, state.contact, state.notes, state.accentSwatch,
                         state.site, state.currencyCode, state.currencySymbol, state.reset, state.save, state.cancel})
        made.push_back(control);
    for (HWND control : made) {
        if (!control) {
            Log("StoreSettings: a control of the window could not be created (err=%lu)", GetLastError());
            return false;
        }
    }

    for (const wchar_t* site : RegionalAuctionSites)
        SendMessageW(state.site, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(site));
    SendMessageW(state.currencyCode, EM_LIMITTEXT, 8, 0);
    SendMessageW(state.currencySymbol, EM_LIMITTEXT, 4, 0);

    StoreSettings settings;
    InitStoreSettings(settings);
    LoadStoreSettings(state.settingsPath, settings);
    FillStoreSettingsControls(state, settings);
    state.lastFocus = state.title;
    return true;
}

LRESULT CALLBACK StoreSettingsWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    StoreSettingsDlgState* state = ModalState<StoreSettingsDlgState>(window, message, lParam);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT answered = 0;
    if (AnswerModalFrame(window, message, wParam, lParam, state->running, state->lastFocus, answered))
        return answered;
    switch (message) {
    case WM_CREATE:
        return CreateStoreSettingsControls(window, *state) ? 0 : -1;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (wParam != IDC_SETTINGS_ACCENT)
            break;
        DrawAccentSwatch(*state, *item);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_SETTINGS_ACCENT && code == BN_CLICKED) {
            ChooseAccent(window, *state);
        } else if (id == IDC_SETTINGS_RESET && code == BN_CLICKED) {
            // Only what the fields show: the defaults reach the file
            // through Save, so Cancel still leaves it as it was.
            StoreSettings defaults;
            InitDefaultStoreSettings(defaults);
            FillStoreSettingsControls(*state, defaults);
        } else if ((id == IDC_SETTINGS_SAVE && code == BN_CLICKED) || id == IDOK) {
            SaveStoreSettingsFromDialog(window, *state);
        } else if ((id == IDC_SETTINGS_CANCEL && code == BN_CLICKED) || id == IDCANCEL) {
            state->running = false;
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

bool ShowStoreSettingsDialog(HINSTANCE instance, HWND parent, const std::wstring& settingsPath)
{
    StoreSettingsDlgState state;
    state.settingsPath = settingsPath;
    for (COLORREF& colour : state.customColours)
        colour = RGB(0xFF, 0xFF, 0xFF);
    if (!RegisterModalClass(instance, kStoreSettingsWindowClass, StoreSettingsWndProc))
        return false;
    state.dpi = WindowDpi(parent);
    state.font.reset(CreateUiFont(state.dpi, 9, FW_NORMAL));

    const auto s = [&state](int value) { return state.Scale(value); };
    const int lineField = s(kLabelHeight) + s(kLabelGap) + s(kEditHeight) + s(kFieldGap);
    ModalWindowRun run;
    run.instance = instance;
    run.owner = parent;
    run.className = kStoreSettingsWindowClass;
    run.title = kTitle;
    run.clientWidth = s(kMargin) + s(kContentWidth) + s(kMargin);
    run.clientHeight = s(kMargin) + 4 * lineField +
                       (s(kLabelHeight) + s(kLabelGap) + s(kNotesHeight) + s(kFieldGap)) +
                       (s(kLabelHeight) + s(kLabelGap) + s(kSwatchHeight) + s(kSectionGap)) +
                       (s(kLabelHeight) + s(kLabelGap) + s(kEditHeight) + s(kSectionGap)) + s(kButtonHeight) +
                       s(kMargin);
    run.state = &state;
    run.running = &state.running;
    if (!RunModalWindow(run))
        return false;
    return state.saved;
}

void EditStoreSettings()
{
    const MainWindowState& main = MainWindow();
    if (ShowStoreSettingsDialog(main.instance, main.window, StoreSettingsFilePath()))
        SetStatusText(L"Store settings saved \u2014 Generate to apply them");
}
