#include "core/settings.h"

#include "core/db.h"
#include "core/file_replace.h"
#include "core/text.h"

#include <windows.h>

#include <vector>

namespace {

// Larger files are not settings this program wrote; reading them whole
// would only cost memory.
constexpr uint64_t kLargestSettingsFile = 1048576;

struct StoreSettingKey {
    const char* key;
    std::wstring StoreSettings::*field;
    // ebaySite and currencySymbol cannot be blank: an empty value keeps
    // the default rather than give a search address or prices without them.
    bool emptyKeepsDefault;
};

// Also the order of the lines in settings.ini.
const StoreSettingKey kStoreSettingKeys[] = {
    {"title", &StoreSettings::title, false},
    {"tagline", &StoreSettings::tagline, false},
    {"contact", &StoreSettings::contact, false},
    {"notes", &StoreSettings::notes, false},
    {"banner", &StoreSettings::banner, false},
    {"accent", &StoreSettings::accent, false},
    {"ebaySite", &StoreSettings::ebaySite, true},
    {"currencyCode", &StoreSettings::currencyCode, false},
    {"currencySymbol", &StoreSettings::currencySymbol, true},
};

struct UiPrefKey {
    const char* key;
    bool UiPrefs::*flag;
};

// Also the order of the lines in prefs.ini.
const UiPrefKey kUiPrefKeys[] = {
    {"selfHost", &UiPrefs::selfHost},       {"inStockOnly", &UiPrefs::inStockOnly},
    {"alwaysOnTop", &UiPrefs::alwaysOnTop}, {"collectionMode", &UiPrefs::collectionMode},
    {"ebayCurrent", &UiPrefs::ebayCurrent}, {"ebayHolo", &UiPrefs::ebayHolo},
    {"debugLog", &UiPrefs::debugLog},
};

struct SettingLine {
    std::string_view key;
    std::string_view value;
};

// The key=value lines of a file, in file order. Comments, blank lines and
// lines without '=' are skipped; nothing is trimmed, so " title" or "Title"
// is a key of its own that nobody reads.
std::vector<SettingLine> SplitSettingLines(std::string_view text)
{
    std::vector<SettingLine> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        lines.push_back({line.substr(0, equals), line.substr(equals + 1)});
    }
    return lines;
}

std::string FileHeader(const char* what)
{
    return std::string("# Kov's Binderwell - ") + what + "\n";
}

} // namespace

void InitStoreSettings(StoreSettings& settings)
{
    settings = StoreSettings();
}

void InitDefaultStoreSettings(StoreSettings& settings)
{
    settings = StoreSettings();
    settings.title = L"Pok\u00e9mon Cards";
    settings.accent = L"#1f4e78";
    settings.ebaySite = kDefaultAuctionSite;
    settings.currencyCode = L"AUD";
    settings.currencySymbol = L"$";
}

std::wstring PrefsFilePath()
{
    return DataFolder() + L"\\prefs.ini";
}

std::wstring StoreSettingsFilePath()
{
    return DataFolder() + L"\\settings.ini";
}

std::string EscapeSettingValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

std::string UnescapeSettingValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size() && (value[i + 1] == 'n' || value[i + 1] == '\\')) {
            out += value[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

bool ReadSettingsFile(const std::wstring& path, std::string& text)
{
    if (!ReadWholeFile(path, kLargestSettingsFile, text))
        return false;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return true;
}

bool WriteSettingsFile(const std::wstring& path, std::string_view bytes, std::string& error)
{
    const FileWriteOutcome outcome = WriteAllBytes(path, bytes);
    if (outcome == FileWriteOutcome::Written)
        return true;
    error = outcome == FileWriteOutcome::CannotCreate ? "cannot create settings file" : "write failed";
    return false;
}

bool LoadStoreSettings(const std::wstring& path, StoreSettings& settings)
{
    InitDefaultStoreSettings(settings);
    std::string text;
    if (!ReadSettingsFile(path, text))
        return false;
    for (const SettingLine& line : SplitSettingLines(text)) {
        for (const StoreSettingKey& known : kStoreSettingKeys) {
            if (line.key != known.key)
                continue;
            std::wstring value = Utf8ToWide(UnescapeSettingValue(line.value));
            if (!value.empty() || !known.emptyKeepsDefault)
                settings.*known.field = std::move(value);
            break;
        }
    }
    return true;
}

bool LoadUiPrefs(const std::wstring& path, UiPrefs& prefs)
{
    prefs = UiPrefs();
    std::string text;
    if (!ReadSettingsFile(path, text))
        return false;
    for (const SettingLine& line : SplitSettingLines(text)) {
        for (const UiPrefKey& known : kUiPrefKeys) {
            if (line.key == known.key) {
                prefs.*known.flag = line.value == "1" || line.value == "true";
                break;
            }
        }
    }
    return true;
}

bool SaveStoreSettings(const std::wstring& path, const StoreSettings& settings, std::string& error)
{
    std::string text = FileHeader("store page settings");
    for (const StoreSettingKey& known : kStoreSettingKeys)
        text += std::string(known.key) + "=" + EscapeSettingValue(WideToUtf8(settings.*known.field)) + "\n";
    return WriteFileByReplacement(path, text, WriteSettingsFile, "could not replace settings.ini", error);
}

bool SaveUiPrefs(const std::wstring& path, const UiPrefs& prefs, std::string& error)
{
    std::string text = FileHeader("app UI preferences");
    for (const UiPrefKey& known : kUiPrefKeys)
        text += std::string(known.key) + "=" + (prefs.*known.flag ? "1" : "0") + "\n";
    return WriteFileByReplacement(path, text, WriteSettingsFile, "could not replace prefs.ini", error);
}
