#include "core/settings.h"

#include "tests/support/test_folder.h"

namespace {
class SettingsTest : public DataFolderTest {
protected:
    std::wstring SettingsPath() { return folder.File(L"settings.ini"); }
    std::wstring PrefsPath() { return folder.File(L"prefs.ini"); }
};
} // namespace

TEST_F(SettingsTest, EveryFieldSurvivesASaveAndALoad)
{
    StoreSettings saved;
    saved.title = L"Kov\u2019s \u30dd\u30b1\u30e2\u30f3 = cards";
    saved.contact = L"C:\\new folder\\notes";
    saved.notes = L"first line\r\nsecond line\nthird \\n not a break";
    saved.banner = L"\\";
    std::string error;
    ASSERT_TRUE(SaveStoreSettings(SettingsPath(), saved, error)) << error;
    StoreSettings loaded;
    ASSERT_TRUE(LoadStoreSettings(SettingsPath(), loaded));
    EXPECT_EQ(loaded.title, saved.title);
    EXPECT_EQ(loaded.contact, saved.contact);
    // CR LF from the edit control comes back as LF alone.
    EXPECT_EQ(loaded.notes, L"first line\nsecond line\nthird \\n not a break");
    EXPECT_EQ(loaded.banner, L"\\");
    EXPECT_EQ(UnescapeSettingValue("a\\tb\\"), "a\\tb\\");
    EXPECT_EQ(UnescapeSettingValue("\\x\\n"), "\\x\n");
}

TEST_F(SettingsTest, AMissingFileOrOneOverOneMebibyteGivesTheDefaults)
{
    StoreSettings settings;
    EXPECT_FALSE(LoadStoreSettings(SettingsPath(), settings));
    EXPECT_EQ(settings.currencyCode, L"AUD");
    std::string atLimit = "title=Big\n";
    atLimit.resize(1048576, '#');
    WriteFileBytes(SettingsPath(), atLimit);
    ASSERT_TRUE(LoadStoreSettings(SettingsPath(), settings));
    EXPECT_EQ(settings.title, L"Big");
    WriteFileBytes(SettingsPath(), atLimit + "\n");
    EXPECT_FALSE(LoadStoreSettings(SettingsPath(), settings));
    EXPECT_EQ(settings.title, L"Pok\u00e9mon Cards");
}

TEST_F(SettingsTest, AnEmptySiteOrCurrencySymbolKeepsItsDefaultOtherFieldsMayBeEmpty)
{
    WriteFileBytes(SettingsPath(), "ebaySite=\ncurrencySymbol=\ntitle=\ncurrencyCode=\naccent=#000000\n");
    StoreSettings settings;
    StoreSettings defaults;
    InitDefaultStoreSettings(defaults);
    ASSERT_TRUE(LoadStoreSettings(SettingsPath(), settings));
    EXPECT_EQ(settings.ebaySite, defaults.ebaySite);
    EXPECT_EQ(settings.currencySymbol, defaults.currencySymbol);
    EXPECT_EQ(settings.title, L"");
    EXPECT_EQ(settings.currencyCode, L"");
    EXPECT_EQ(settings.accent, L"#000000");
}

TEST_F(SettingsTest, PreferencesAreOnOnlyForExactKeysWithOneOrTrue)
{
    // After a byte-order mark; keys match with their case, values as written.
    WriteFileBytes(PrefsPath(), "\xEF\xBB\xBFselfHost=1\n# comment\ninStockOnly=true\r\nalwaysOnTop=TRUE\n"
                                "CollectionMode=1\nebayCurrent= 1\nebayHolo=yes\n");
    UiPrefs prefs;
    prefs.alwaysOnTop = true; // stale values must go
    prefs.debugLog = false;
    ASSERT_TRUE(LoadUiPrefs(PrefsPath(), prefs));
    EXPECT_TRUE(prefs.selfHost);
    EXPECT_TRUE(prefs.inStockOnly);
    EXPECT_FALSE(prefs.alwaysOnTop);
    EXPECT_FALSE(prefs.collectionMode);
    EXPECT_FALSE(prefs.ebayCurrent);
    EXPECT_FALSE(prefs.ebayHolo);
    EXPECT_TRUE(prefs.debugLog); // missing: the default

    // Every flag survives a save and a load, the ones that default to on included.
    UiPrefs saved;
    saved.inStockOnly = saved.collectionMode = saved.ebayHolo = true;
    saved.debugLog = false;
    std::string error;
    ASSERT_TRUE(SaveUiPrefs(PrefsPath(), saved, error)) << error;
    ASSERT_TRUE(LoadUiPrefs(PrefsPath(), prefs));
    for (bool UiPrefs::*flag : {&UiPrefs::selfHost, &UiPrefs::inStockOnly, &UiPrefs::alwaysOnTop,
                                &UiPrefs::collectionMode, &UiPrefs::ebayCurrent, &UiPrefs::ebayHolo,
                                &UiPrefs::debugLog})
        EXPECT_EQ(prefs.*flag, saved.*flag);
    EXPECT_FALSE(FileExists(PrefsPath() + L".tmp"));
}
