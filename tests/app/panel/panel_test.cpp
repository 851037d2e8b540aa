// The stock panel in the real main window: loading a card, saving it, and
// the unsaved-changes question before anything that would replace it.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_model.h"
#include "app/panel/panel.h"
#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "tests/core/test_databases.h"
#include "ui/controls.h"

namespace {

using Rows = std::vector<std::string>;

// Rows and list items in load order: base1-4, base1-58, jungle-60.
constexpr const char* kCards =
    "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
    "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo'),"
    "('base1-58', 'Pikachu', 'Base', '58', '', 'Common'),"
    "('jungle-60', 'Pikachu', 'Jungle', '60', '64', 'Common');"
    // Charizard holds only Holo copies, one of them under a condition that
    // is not one of the panel's words.
    "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
    "('base1-4', 'Holo', 'Mint', 2, 4.5), ('base1-4', 'Holo', 'Near Mint', 1, 0), "
    "('base1-4', 'Holo', 'mint', 9, 1.0),"
    "('base1-58', 'Standard', 'Mint', 3, 4.1251), ('base1-58', 'Standard', 'Played', 1, 0);"
    "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
    "('sale', 'base1-58', 'Standard', 'Box A');"
    "INSERT INTO card_flags (card_id, want, tradable) VALUES ('base1-58', 1, 0);";

constexpr const char* kAllStock = "SELECT 'i', card_id, variant, condition, qty, price FROM inventory UNION ALL "
                                  "SELECT 'c', card_id, variant, condition, qty, 0 FROM collection UNION ALL "
                                  "SELECT 'l', ledger, card_id, variant, location, 0 FROM variant_location UNION ALL "
                                  "SELECT 'f', card_id, want, tradable, 0, 0 FROM card_flags ORDER BY 1, 2, 3, 4;";

class PanelTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), kCards);
        OpenWindow();
    }
    void Select(int item)
    {
        ListView_SetItemState(Controls().grid, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }
    void Type(HWND edit, const std::wstring& text) // raises the edit's change notification
    {
        SetWindowTextW(edit, text.c_str());
        Pump();
    }
    void Notify(HWND combo, int id, int code)
    {
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(combo));
        Pump();
    }
    void TypeLocation(const wchar_t* text) // a combo's edit notifies only for keystrokes
    {
        SetWindowTextW(Controls().location, text);
        Notify(Controls().location, IDC_LOCATION, CBN_EDITCHANGE);
    }
    void PickVariant(int index)
    {
        SendMessageW(Controls().variant, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(Controls().variant, IDC_VARIANT, CBN_SELCHANGE);
    }
    void Click(HWND button)
    {
        SendMessageW(button, BM_CLICK, 0, 0);
        Pump();
    }
    std::vector<std::wstring> Fields() const
    {
        std::vector<std::wstring> fields;
        for (int i = 0; i < kConditionRows; ++i) {
            fields.push_back(WindowText(Controls().qty[i]));
            fields.push_back(WindowText(Controls().price[i]));
        }
        fields.push_back(WindowText(Controls().location));
        return fields;
    }
    Rows Qty(const char* condition) const
    {
        const std::string sql = std::string("SELECT qty FROM inventory WHERE card_id = 'base1-58' AND condition = '") +
                                condition + "';";
        return QueryRows(DatabasePath(), sql.c_str());
    }
    bool Editable() const { return IsWindowEnabled(Controls().save) && IsWindowEnabled(Controls().qty[0]); }
    const std::vector<std::wstring> kEmpty{L"0", L"", L"0", L"", L"0", L"", L""};
};

TEST_F(PanelTest, ACardOpensOnStandardWithItsStockFlagsAndHeldMarks)
{
    EXPECT_FALSE(Editable());
    Select(0);
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Charizard");
    EXPECT_EQ(CurrentPanelVariant(), 0);
    EXPECT_EQ(ComboItemText(Controls().variant, 1), L"Holo  \u2022"); // only Holo is held
    EXPECT_EQ(Fields(), kEmpty);
    EXPECT_TRUE(Editable());
    PickVariant(1);
    EXPECT_EQ(CurrentPanelVariant(), 1);
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"2", L"4.50", L"1", L"", L"0", L"", L""}));
    EXPECT_FALSE(PanelHasUnsavedChanges());

    Select(1);
    EXPECT_EQ(CurrentPanelVariant(), 0);
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"3", L"4.13", L"0", L"", L"1", L"", L"Box A"}));
    EXPECT_TRUE(IsChecked(Controls().want));
    EXPECT_FALSE(IsChecked(Controls().trade));

    for (int32_t outside : {-1, 3}) {
        LoadPanel(1);
        LoadPanel(outside);
        EXPECT_EQ(Grid().selectedRow, -1);
        EXPECT_EQ(Fields(), kEmpty);
        EXPECT_FALSE(IsChecked(Controls().want));
        EXPECT_FALSE(Editable());
    }
}

TEST_F(PanelTest, SaveWritesTheShownVariantKeepsUntouchedPricesAndTheGridFollows)
{
    Select(1);
    Type(Controls().qty[0], L"0");
    Type(Controls().qty[1], L"02");
    Type(Controls().price[1], L"1.5");
    Type(Controls().qty[2], L"");
    TypeLocation(L"Box Z");
    Click(Controls().want);
    ASSERT_TRUE(PanelHasUnsavedChanges());
    Command(IDC_SAVE);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT condition, qty, price FROM inventory WHERE card_id = 'base1-58';"),
              (Rows{"Near Mint|2|1.5"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT location FROM variant_location;"), (Rows{"Box Z"}));
    EXPECT_TRUE(QueryRows(DatabasePath(), "SELECT * FROM card_flags;").empty());
    EXPECT_EQ(Grid().rows[1].held, 2);
    EXPECT_EQ(Grid().rows[1].location, L"Box Z");
    EXPECT_GT(SendMessageW(Controls().locationFilter, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(L"Box Z")),
              0);
    EXPECT_FALSE(PanelHasUnsavedChanges());

    // A stored price with more decimals than shown survives an unrelated
    // edit; a price typed over is what was typed.
    Select(0);
    RunSql(DatabasePath(), "UPDATE inventory SET price = 4.1251 WHERE card_id = 'base1-58';");
    Select(1);
    Type(Controls().qty[0], L"1");
    Click(Controls().trade);
    Command(IDC_SAVE);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT condition, qty, price FROM inventory WHERE card_id = 'base1-58' "
                                         "ORDER BY condition;"),
              (Rows{"Mint|1|0.0", "Near Mint|2|4.1251"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT want, tradable FROM card_flags;"), (Rows{"0|1"}));
    Type(Controls().price[1], L"4.130");
    Command(IDC_SAVE);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT price FROM inventory WHERE condition = 'Near Mint' AND "
                                         "card_id = 'base1-58';"),
              (Rows{"4.13"}));
}

TEST_F(PanelTest, ARefusedOrFailedSaveStoresNothingAndStaysUnsaved)
{
    const Rows before = QueryRows(DatabasePath(), kAllStock);
    Select(1);
    Type(Controls().price[0], L"1,50");
    Type(Controls().qty[1], L"1.5");
    Command(IDC_SAVE);
    EXPECT_EQ(GetFocus(), Controls().price[0]); // the first bad field
    double price = -1.0;
    EXPECT_FALSE(ReadPriceField(Controls().price[0], &price));
    EXPECT_EQ(price, -1.0);
    Type(Controls().price[0], L" 2.5 ");
    ASSERT_TRUE(ReadPriceField(Controls().price[0], &price));
    EXPECT_EQ(price, 2.5);

    // Longer than any quantity: the whole text is read, not a leading number.
    Type(Controls().qty[1], L"1" + std::wstring(70, L' ') + L"x");
    SetFocus(Controls().qty[0]);
    Command(IDC_SAVE);
    EXPECT_EQ(GetFocus(), Controls().qty[1]);
    EXPECT_EQ(QueryRows(DatabasePath(), kAllStock), before);
    EXPECT_TRUE(PanelHasUnsavedChanges());

    // The stock rows are written before the location fails.
    const int32_t held = Grid().rows[0].held;
    RunSql(DatabasePath(), "CREATE TRIGGER no_place BEFORE INSERT ON variant_location BEGIN SELECT "
                           "RAISE(ABORT, 'no place'); END;");
    Script().boxAnswer = IDNO;
    Select(0);
    Type(Controls().qty[0], L"5");
    TypeLocation(L"Shelf");
    Command(IDC_SAVE);
    EXPECT_EQ(QueryRows(DatabasePath(), kAllStock), before);
    EXPECT_TRUE(PanelHasUnsavedChanges());
    EXPECT_EQ(Fields()[0], L"5");
    EXPECT_EQ(Grid().rows[0].held, held);
}

TEST_F(PanelTest, TheQuestionSavesDiscardsOrStopsAndAsksOnlyAboutRealChanges)
{
    Select(1);
    Type(Controls().qty[0], L"7");
    Type(Controls().qty[0], L"3"); // back as it was
    Select(2);
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_EQ(Grid().selectedRow, 2);

    Select(1);
    Type(Controls().qty[0], L"7");
    Click(Controls().trade); // hidden in Sales mode, and still compared
    Script().boxAnswer = IDCANCEL;
    Select(0);
    ASSERT_EQ(Script().boxes.size(), 1u);
    EXPECT_EQ(Grid().selectedRow, 1);
    EXPECT_EQ(Fields()[0], L"7");
    PickVariant(2);
    EXPECT_EQ(Script().boxes.size(), 2u);
    EXPECT_EQ(CurrentPanelVariant(), 0);
    EXPECT_TRUE(PanelHasUnsavedChanges());

    Script().boxAnswer = IDNO;
    EXPECT_TRUE(ConfirmUnsavedChanges());
    EXPECT_EQ(Fields()[0], L"3");
    EXPECT_FALSE(IsChecked(Controls().trade));

    Type(Controls().qty[0], L"7");
    Script().boxAnswer = IDYES;
    Select(0);
    EXPECT_EQ(Qty("Mint"), (Rows{"7"}));
    EXPECT_EQ(Grid().selectedRow, 0);

    // Yes with a save that fails keeps the window open.
    Type(Controls().qty[2], L"x");
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    EXPECT_TRUE(IsWindow(Main()));
}

TEST_F(PanelTest, SwitchingModeWithUnsavedEditsAsksOnceAndTheCollectionSavesApart)
{
    Select(1);
    Type(Controls().qty[0], L"9");
    Script().boxAnswer = IDNO;
    Command(IDM_MODE_COLLECTION);
    EXPECT_EQ(Script().boxes.size(), 1u);
    EXPECT_TRUE(MainWindow().flags.collectionMode);
    EXPECT_EQ(Qty("Mint"), (Rows{"3"}));

    Select(1);
    EXPECT_EQ(Fields(), kEmpty);
    EXPECT_TRUE(IsChecked(Controls().want)); // the flags are the card's, in both ledgers
    Type(Controls().qty[2], L"2");
    Command(IDC_SAVE);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id, variant, condition, qty FROM collection;"),
              (Rows{"base1-58|Standard|Played|2"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT COUNT(*) FROM inventory WHERE card_id = 'base1-58';"), (Rows{"2"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT ledger, location FROM variant_location;"), (Rows{"sale|Box A"}));
}

TEST_F(PanelTest, AnUnreadableDatabaseShowsTheCardButNothingEditable)
{
    WriteFileBytes(DatabasePath(), std::string(4096, 'x'));
    Select(1);
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Pikachu");
    EXPECT_EQ(Fields(), kEmpty);
    EXPECT_FALSE(Editable());
    EXPECT_FALSE(IsWindowEnabled(Controls().variant));
    Type(Controls().qty[0], L"1");
    EXPECT_FALSE(SavePanel());
    EXPECT_EQ(ReadFileBytes(DatabasePath()), std::string(4096, 'x'));
}

} // namespace
