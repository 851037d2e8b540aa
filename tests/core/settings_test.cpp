#include "core/settings.h"

#include "tests/support/test_folder.h"

namespace {
class SettingsTest : public DataFolderTest {
protected:
    std::wstring SettingsPath() { return folder.File(L"settings.ini"); }
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
