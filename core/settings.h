// The two configuration files beside the database: prefs.ini (the window's
// flags) and settings.ini (the store page settings). Both are UTF-8
// key=value lines ended by LF, after one comment line. Loaders always leave
// a complete record, defaults overridden by what the file holds, so a
// missing or damaged file never stops the program.
#pragma once

#include <string>
#include <string_view>

struct StoreSettings {
    std::wstring title;
    std::wstring tagline;
    std::wstring contact;
    std::wstring notes;
    std::wstring banner;
    std::wstring accent;
    std::wstring ebaySite;
    std::wstring currencyCode;
    std::wstring currencySymbol;
};

struct UiPrefs {
    bool selfHost = false;
    bool inStockOnly = false;
    bool alwaysOnTop = false;
    bool collectionMode = false;
    bool ebayCurrent = false;
    bool ebayHolo = false;
    bool debugLog = true;
};

// The regional auction sites offered for ebaySite, in the order shown. The
// second, the Australian site, is the default.
inline constexpr const wchar_t* RegionalAuctionSites[10] = {
    L"ebay.com",   L"ebay.com.au", L"ebay.co.uk", L"ebay.ca", L"ebay.de",
    L"ebay.fr",    L"ebay.it",     L"ebay.es",    L"ebay.nl", L"ebay.com.sg",
};
inline constexpr const wchar_t* kDefaultAuctionSite = RegionalAuctionSites[1];

// Nine empty strings.
void InitStoreSettings(StoreSettings& settings);
// Title "Pokémon Cards", accent "#1f4e78", the default auction site, "AUD"
// and "$"; the other fields empty.
void InitDefaultStoreSettings(StoreSettings& settings);

// prefs.ini and settings.ini in the folder of the database file.
std::wstring PrefsFilePath();
std::wstring StoreSettingsFilePath();

// False only when the file was not read (missing, unreadable, or larger
// than 1 MiB); the record holds the defaults then, and is usable either way.
bool LoadStoreSettings(const std::wstring& path, StoreSettings& settings);
bool LoadUiPrefs(const std::wstring& path, UiPrefs& prefs);

// Replace the file whole through path + ".tmp"; a failure leaves the old
// file untouched and no temporary file behind.
bool SaveStoreSettings(const std::wstring& path, const StoreSettings& settings, std::string& error);
bool SaveUiPrefs(const std::wstring& path, const UiPrefs& prefs, std::string& error);

// The file's bytes without a leading UTF-8 byte-order mark; false for a
// missing or unreadable file or one over 1,048,576 bytes.
bool ReadSettingsFile(const std::wstring& path, std::string& text);
// Creates or truncates exactly this path. Errors: "cannot create settings
// file", "write failed".
bool WriteSettingsFile(const std::wstring& path, std::string_view bytes, std::string& error);

// A value on one line: '\' becomes "\\", LF becomes "\n", CR is dropped.
std::string EscapeSettingValue(std::string_view value);
// "\n" gives LF and "\\" one '\'; any other '\' is kept as it is.
std::string UnescapeSettingValue(std::string_view value);
