// The store page settings window: the nine values of settings.ini that the
// store page and the reports print and the auction-site lookup uses, edited
// in a window of their own and written only on Save. Nothing reaches a
// store page already written until the next Generate.
#pragma once

#include <windows.h>

#include <string>

constexpr const wchar_t* kStoreSettingsWindowClass = L"KovStoreSettingsDlg";

constexpr int IDC_SETTINGS_TITLE = 401;
constexpr int IDC_SETTINGS_TAGLINE = 402;
constexpr int IDC_SETTINGS_BANNER = 403;
constexpr int IDC_SETTINGS_CONTACT = 404;
constexpr int IDC_SETTINGS_NOTES = 405;
constexpr int IDC_SETTINGS_ACCENT = 406;
constexpr int IDC_SETTINGS_SAVE = 407;
constexpr int IDC_SETTINGS_CANCEL = 408;
constexpr int IDC_SETTINGS_RESET = 409;
constexpr int IDC_SETTINGS_EBAYSITE = 410;
constexpr int IDC_SETTINGS_CURCODE = 411;
constexpr int IDC_SETTINGS_CURSYM = 412;

// Runs the window over parent on the given settings file and returns once
// it has closed: true only when Save wrote the file. A failed write is
// shown to the user and keeps the window open; a window that cannot be
// created returns false with nothing shown.
bool ShowStoreSettingsDialog(HINSTANCE instance, HWND parent, const std::wstring& settingsPath);

// The menu command: the window on the program's settings.ini, and a status
// line once it was saved.
void EditStoreSettings();
