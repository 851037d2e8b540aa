#include "core/settings.h"

#include "tests/support/test_folder.h"

#include <windows.h>

#include <cwctype>

namespace {

class SettingsTest : public DataFolderTest {
protected:
    std::wstring SettingsPath() { return folder.File(L"settings.ini"); }
    std::wstring PrefsPath() { return folder.File(L"prefs.ini"); }

    StoreSettings LoadSettingsText(const std::string& text)
    {
        WriteFileBytes(SettingsPath(), text);
        StoreSettings settings;
        EXPECT_TRUE(LoadStoreSettings(SettingsPath(), settings));
        return settings;
    }

    UiPrefs LoadPrefsText(const std::string& text)
    {
        WriteFileBytes(PrefsPath(), text);
        UiPrefs prefs;
        EXPECT_TRUE(LoadUiPrefs(PrefsPath(), prefs));
        return prefs;
    }
};

void ExpectDefaults(const StoreSettings& settings)
{
    EXPECT_EQ(settings.title, L"Pok\u00e9mon Cards");
    EXPECT_EQ(settings.tagline, L"");
    EXPECT_EQ(settings.accent, L"#1f4e78");
    EXPECT_EQ(settings.ebaySite, L"ebay.com.au");
    EXPECT_EQ(settings.currencyCode, L"AUD");
    EXPECT_EQ(settings.currencySymbol, L"$");
}

} // namespace

TEST_F(SettingsTest, EveryFieldSurvivesASaveAndALoad)
{
    StoreSettings saved;
    saved.title = L"Kov\u2019s \u30dd\u30b1\u30e2\u30f3 = cards";
    saved.tagline = L"a=b=c";
    saved.contact = L"C:\\new folder\\notes";
    saved.notes = L"first line\r\nsecond line\nthird \\n not a break";
    saved.banner = L"\\";
    saved.accent = L"#ABCDEF";
    saved.ebaySite = L"ebay.co.uk";
    saved.currencyCode = L"GBP";
    saved.currencySymbol = L"\u00a3";
    std::string error;
    ASSERT_TRUE(SaveStoreSettings(SettingsPath(), saved, error)) << error;

    const std::string file = ReadFileBytes(SettingsPath());
    EXPECT_EQ(file.rfind("# Kov's Binderwell - store page settings\ntitle=", 0), 0u) << file;
    EXPECT_NE(file.find("\ncontact=C:\\\\new folder\\\\notes\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nnotes=first line\\nsecond line\\nthird \\\\n not a break\n"), std::string::npos) << file;
    EXPECT_EQ(file.find('\r'), std::string::npos);
    EXPECT_FALSE(FileExists(SettingsPath() + L".tmp"));

    StoreSettings loaded;
    ASSERT_TRUE(LoadStoreSettings(SettingsPath(), loaded));
    EXPECT_EQ(loaded.title, saved.title);
    EXPECT_EQ(loaded.tagline, saved.tagline);
    EXPECT_EQ(loaded.contact, saved.contact);
    // CR LF from the edit control comes back as LF alone.
    EXPECT_EQ(loaded.notes, L"first line\nsecond line\nthird \\n not a break");
    EXPECT_EQ(loaded.banner, L"\\");
    EXPECT_EQ(loaded.accent, saved.accent);
    EXPECT_EQ(loaded.ebaySite, saved.ebaySite);
    EXPECT_EQ(loaded.currencyCode, saved.currencyCode);
    EXPECT_EQ(loaded.currencySymbol, saved.currencySymbol);
}

TEST(SettingValueEscaping, UnknownEscapesAndATrailingBackslashAreKept)
{
    EXPECT_EQ(UnescapeSettingValue("a\\tb\\"), "a\\tb\\");
    EXPECT_EQ(UnescapeSettingValue("\\\\n"), "\\n");
    EXPECT_EQ(UnescapeSettingValue("\\x\\n"), "\\x\n");
    EXPECT_EQ(EscapeSettingValue("a\r\nb\\"), "a\\nb\\\\");
}

TEST_F(SettingsTest, BlankEbaySiteAndSymbolKeepTheirDefaultsOtherBlanksClear)
{
    const StoreSettings settings =
        LoadSettingsText("title=\ntagline=\naccent=\nebaySite=\ncurrencyCode=\ncurrencySymbol=\n");
    EXPECT_EQ(settings.title, L"");
    EXPECT_EQ(settings.tagline, L"");
    EXPECT_EQ(settings.accent, L"");
    EXPECT_EQ(settings.currencyCode, L"");
    EXPECT_EQ(settings.ebaySite, kDefaultAuctionSite);
    EXPECT_EQ(settings.currencySymbol, L"$");
}

TEST_F(SettingsTest, OnlyExactKeysCountAndTheLastOneWins)
{
    const StoreSettings settings = LoadSettingsText(" tagline=spaced\r\n"
                                                    "Title=capital\n"
                                                    "# title=comment\n"
                                                    "no equals sign\n"
                                                    "\n"
                                                    "unknown=1\n"
                                                    "contact=first\n"
                                                    "contact=second\r\n"
                                                    "title=A=B");
    EXPECT_EQ(settings.title, L"A=B");
    EXPECT_EQ(settings.tagline, L"");
    EXPECT_EQ(settings.contact, L"second");
    EXPECT_EQ(settings.currencyCode, L"AUD");
}

TEST_F(SettingsTest, ALeadingByteOrderMarkIsSkipped)
{
    EXPECT_EQ(LoadSettingsText("\xEF\xBB\xBFtitle=Marked\n").title, L"Marked");
    EXPECT_TRUE(LoadPrefsText("\xEF\xBB\xBFselfHost=1\n").selfHost);
}

TEST_F(SettingsTest, AMissingFileOrOneOverOneMebibyteGivesTheDefaults)
{
    StoreSettings settings;
    EXPECT_FALSE(LoadStoreSettings(SettingsPath(), settings));
    ExpectDefaults(settings);
    UiPrefs prefs;
    prefs.selfHost = true;
    prefs.debugLog = false;
    EXPECT_FALSE(LoadUiPrefs(PrefsPath(), prefs));
    EXPECT_FALSE(prefs.selfHost);
    EXPECT_TRUE(prefs.debugLog);

    std::string atLimit = "title=Big\n";
    atLimit.resize(1048576, '#');
    EXPECT_EQ(LoadSettingsText(atLimit).title, L"Big");
    WriteFileBytes(SettingsPath(), atLimit + "\n");
    settings.title = L"stale";
    EXPECT_FALSE(LoadStoreSettings(SettingsPath(), settings));
    ExpectDefaults(settings);
}

TEST_F(SettingsTest, AFlagIsOnOnlyForOneOrTrue)
{
    const UiPrefs prefs = LoadPrefsText("selfHost=1\n"
                                        "inStockOnly=true\n"
                                        "alwaysOnTop=TRUE\n"
                                        "collectionMode= 1\n"
                                        "ebayCurrent=\n"
                                        "ebayHolo=yes\n"
                                        "debugLog=0\n");
    EXPECT_TRUE(prefs.selfHost);
    EXPECT_TRUE(prefs.inStockOnly);
    EXPECT_FALSE(prefs.alwaysOnTop);
    EXPECT_FALSE(prefs.collectionMode);
    EXPECT_FALSE(prefs.ebayCurrent);
    EXPECT_FALSE(prefs.ebayHolo);
    EXPECT_FALSE(prefs.debugLog);

    EXPECT_TRUE(LoadPrefsText("selfHost=1\n").debugLog) << "a missing debugLog line keeps the log on";
    EXPECT_FALSE(LoadPrefsText("debugLog=yes\n").debugLog);
}

TEST_F(SettingsTest, PrefsAreWrittenInFieldOrderAndReadBack)
{
    std::string error;
    ASSERT_TRUE(SaveUiPrefs(PrefsPath(), UiPrefs(), error)) << error;
    EXPECT_EQ(ReadFileBytes(PrefsPath()), "# Kov's Binderwell - app UI preferences\n"
                                          "selfHost=0\ninStockOnly=0\nalwaysOnTop=0\ncollectionMode=0\n"
                                          "ebayCurrent=0\nebayHolo=0\ndebugLog=1\n");

    UiPrefs saved;
    saved.alwaysOnTop = true;
    saved.ebayHolo = true;
    saved.debugLog = false;
    ASSERT_TRUE(SaveUiPrefs(PrefsPath(), saved, error)) << error;
    UiPrefs loaded;
    ASSERT_TRUE(LoadUiPrefs(PrefsPath(), loaded));
    EXPECT_TRUE(loaded.alwaysOnTop);
    EXPECT_TRUE(loaded.ebayHolo);
    EXPECT_FALSE(loaded.debugLog);
    EXPECT_FALSE(loaded.selfHost);
    EXPECT_FALSE(FileExists(PrefsPath() + L".tmp"));
}

TEST_F(SettingsTest, AFailedReplaceKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    const std::string oldPrefs = "# old\nselfHost=1\n";
    WriteFileBytes(PrefsPath(), oldPrefs);
    // Another program holds the file open without sharing.
    const HANDLE lock = CreateFileW(PrefsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    std::string error;
    EXPECT_FALSE(SaveUiPrefs(PrefsPath(), UiPrefs(), error));
    CloseHandle(lock);
    EXPECT_EQ(error, "could not replace prefs.ini");
    EXPECT_EQ(ReadFileBytes(PrefsPath()), oldPrefs);
    EXPECT_FALSE(FileExists(PrefsPath() + L".tmp"));

    const std::string oldSettings = "title=Kept\n";
    WriteFileBytes(SettingsPath(), oldSettings);
    ASSERT_TRUE(SetFileAttributesW(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    error.clear();
    EXPECT_FALSE(SaveStoreSettings(SettingsPath(), settings, error));
    EXPECT_EQ(error, "could not replace settings.ini");
    EXPECT_EQ(ReadFileBytes(SettingsPath()), oldSettings);
    EXPECT_FALSE(FileExists(SettingsPath() + L".tmp"));

    const std::wstring folderInTheWay = folder.File(L"sub");
    ASSERT_TRUE(CreateDirectoryW(folderInTheWay.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folderInTheWay + L"\\settings.ini").c_str(), nullptr));
    error.clear();
    EXPECT_FALSE(SaveStoreSettings(folderInTheWay + L"\\settings.ini", settings, error));
    EXPECT_EQ(error, "could not replace settings.ini");
    EXPECT_FALSE(FileExists(folderInTheWay + L"\\settings.ini.tmp"));

    EXPECT_FALSE(SaveUiPrefs(folder.File(L"missing\\prefs.ini"), UiPrefs(), error));
    EXPECT_EQ(error, "cannot create settings file");
}

TEST(RegionalAuctionSites, TheAustralianSiteIsSecondAndEverySiteIsAUsableHostName)
{
    EXPECT_STREQ(RegionalAuctionSites[1], L"ebay.com.au");
    EXPECT_EQ(kDefaultAuctionSite, RegionalAuctionSites[1]);
    StoreSettings defaults;
    InitDefaultStoreSettings(defaults);
    EXPECT_EQ(defaults.ebaySite, RegionalAuctionSites[1]);
    for (const wchar_t* site : RegionalAuctionSites) {
        const std::wstring text = site;
        EXPECT_GE(text.size(), 6u) << site;
        EXPECT_LE(text.size(), 64u) << site;
        EXPECT_EQ(text.rfind(L"ebay.", 0), 0u) << site;
        for (const wchar_t c : text)
            EXPECT_TRUE((c < 128 && std::iswalnum(c)) || c == L'.' || c == L'-') << site;
    }
}
