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

#include <algorithm>

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

    // As typing does: each edit raises its change notification.
    void Type(HWND edit, const std::wstring& text)
    {
        SetWindowTextW(edit, text.c_str());
        Pump();
    }

    // A combo's own edit field raises CBN_EDITCHANGE only for keystrokes.
    void TypeLocation(const wchar_t* text)
    {
        SetWindowTextW(Controls().location, text);
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_LOCATION, CBN_EDITCHANGE),
                     reinterpret_cast<LPARAM>(Controls().location));
        Pump();
    }

    void PickVariant(int index)
    {
        SendMessageW(Controls().variant, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_VARIANT, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Controls().variant));
        Pump();
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

    std::vector<std::wstring> VariantItems() const
    {
        std::vector<std::wstring> items;
        for (int i = 0; i < 4; ++i)
            items.push_back(ComboItemText(Controls().variant, i));
        return items;
    }

    bool Editable() const { return IsWindowEnabled(Controls().save) && IsWindowEnabled(Controls().qty[0]); }

    bool Logged(const std::string& line) const
    {
        const std::vector<std::string> lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(PanelTest, ACardOpensOnStandardWithItsStockFlagsAndHeldMarks)
{
    EXPECT_FALSE(Editable());
    Select(0);
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Charizard");
    EXPECT_EQ(WindowText(Controls().cardSubtitle), L"Base   #4/102   Rare Holo");
    EXPECT_EQ(SendMessageW(Controls().variant, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(VariantItems(), (std::vector<std::wstring>{L"Standard", L"Holo  \u2022", L"Reverse Holo", L"Other"}));
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"0", L"", L"0", L"", L"0", L"", L""}));
    EXPECT_TRUE(Editable());
    EXPECT_FALSE(PanelHasUnsavedChanges());

    PickVariant(1);
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_EQ(CurrentPanelVariant(), 1);
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"2", L"4.50", L"1", L"", L"0", L"", L""}));
    EXPECT_FALSE(PanelHasUnsavedChanges());

    Select(1);
    EXPECT_EQ(CurrentPanelVariant(), 0);
    EXPECT_EQ(WindowText(Controls().cardSubtitle), L"Base   #58   Common");
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"3", L"4.13", L"0", L"", L"1", L"", L"Box A"}));
    EXPECT_TRUE(IsChecked(Controls().want));
    EXPECT_FALSE(IsChecked(Controls().trade));
    EXPECT_EQ(VariantItems()[0], L"Standard  \u2022");

    for (int32_t outside : {-1, 3}) {
        LoadPanel(1);
        ASSERT_TRUE(Editable());
        LoadPanel(outside);
        EXPECT_EQ(Grid().selectedRow, -1);
        EXPECT_EQ(WindowText(Controls().cardTitle), L"Select a card");
        EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"0", L"", L"0", L"", L"0", L"", L""}));
        EXPECT_FALSE(IsChecked(Controls().want));
        EXPECT_FALSE(Editable());
    }
}

TEST_F(PanelTest, SaveWritesTheShownVariantAndTheGridFollows)
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

    EXPECT_EQ(StatusText(), L"Saved");
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT condition, qty, price FROM inventory WHERE card_id = 'base1-58';"),
              (Rows{"Near Mint|2|1.5"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT location FROM variant_location;"), (Rows{"Box Z"}));
    EXPECT_TRUE(QueryRows(DatabasePath(), "SELECT * FROM card_flags;").empty());
    const CatalogueRow& row = Grid().rows[1];
    EXPECT_EQ(row.held, 2);
    EXPECT_EQ(row.location, L"Box Z");
    EXPECT_FALSE(row.want);
    EXPECT_GT(SendMessageW(Controls().locationFilter, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(L"Box Z")),
              0);
    EXPECT_EQ(Fields()[2], L"02"); // as typed, not reformatted
    EXPECT_FALSE(PanelHasUnsavedChanges());
    EXPECT_TRUE(Logged("Saved sale stock for base1-58 [Standard]: card held=2"));

    // A stored price with more decimals than the field shows survives an
    // unrelated edit; a price typed over is what was typed.
    Select(0);
    RunSql(DatabasePath(), "UPDATE inventory SET price = 4.1251 WHERE card_id = 'base1-58';");
    Select(1);
    ASSERT_EQ(Fields()[3], L"4.13");
    Type(Controls().qty[0], L"1");
    Click(Controls().trade);
    Command(IDC_SAVE);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT condition, qty, price FROM inventory WHERE card_id = 'base1-58' "
                                         "ORDER BY condition;"),
              (Rows{"Mint|1|0.0", "Near Mint|2|4.1251"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT want, tradable FROM card_flags;"), (Rows{"0|1"}));
    Type(Controls().price[1], L"4.130");
    Command(IDC_SAVE);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT price FROM inventory WHERE card_id = 'base1-58' AND condition = "
                                         "'Near Mint';"),
              (Rows{"4.13"}));
}

TEST_F(PanelTest, TheFirstInvalidFieldStopsTheSaveWithNothingWritten)
{
    const Rows before = QueryRows(DatabasePath(), kAllStock);
    Select(1);
    Type(Controls().price[0], L"1,50");
    Type(Controls().qty[1], L"1.5");
    Command(IDC_SAVE);
    EXPECT_EQ(StatusText(), L"Invalid price for Mint \u2014 e.g. 4.50 (no $ or minus)");
    EXPECT_EQ(GetFocus(), Controls().price[0]);
    double price = -1.0;
    EXPECT_FALSE(ReadPriceField(Controls().price[0], &price));
    EXPECT_EQ(price, -1.0);

    Type(Controls().price[0], L" 2.5 ");
    ASSERT_TRUE(ReadPriceField(Controls().price[0], &price));
    EXPECT_EQ(price, 2.5);
    Command(IDC_SAVE);
    EXPECT_EQ(StatusText(), L"Invalid quantity for Near Mint \u2014 whole number only");
    EXPECT_EQ(GetFocus(), Controls().qty[1]);

    // Longer than any quantity: the whole text is read, not a first part
    // that happens to be a number.
    Type(Controls().qty[1], L"1" + std::wstring(70, L' ') + L"x");
    Command(IDC_SAVE);
    EXPECT_EQ(StatusText(), L"Invalid quantity for Near Mint \u2014 whole number only");
    EXPECT_EQ(QueryRows(DatabasePath(), kAllStock), before);
    EXPECT_TRUE(PanelHasUnsavedChanges());
}

TEST_F(PanelTest, ASaveThatFailsMidwayStoresNothingAndStaysUnsaved)
{
    const Rows before = QueryRows(DatabasePath(), kAllStock);
    const int32_t held = Grid().rows[0].held;
    // The stock rows are written before the location fails.
    RunSql(DatabasePath(), "CREATE TRIGGER no_place BEFORE INSERT ON variant_location BEGIN SELECT "
                           "RAISE(ABORT, 'no place'); END;");
    Select(0);
    Type(Controls().qty[0], L"5");
    TypeLocation(L"Shelf");
    Command(IDC_SAVE);
    EXPECT_EQ(StatusText(), L"Save failed");
    EXPECT_TRUE(Logged("Save failed: no place"));
    EXPECT_EQ(QueryRows(DatabasePath(), kAllStock), before);
    EXPECT_TRUE(PanelHasUnsavedChanges());
    EXPECT_EQ(Fields()[0], L"5");
    EXPECT_EQ(Grid().rows[0].held, held);
}

TEST_F(PanelTest, TheQuestionSavesDiscardsOrStopsAndAskesOnlyAboutRealChanges)
{
    Select(1);
    Type(Controls().qty[0], L"7");
    Type(Controls().qty[0], L"3");
    Select(2);
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_EQ(Grid().selectedRow, 2);

    Select(1);
    Type(Controls().qty[0], L"7");
    Click(Controls().trade); // hidden in Sales mode, and still compared
    Script().boxAnswer = IDCANCEL;
    Select(0);
    ASSERT_EQ(Script().boxes.size(), 1u);
    EXPECT_EQ(Script().boxes[0].title, L"Unsaved changes");
    EXPECT_EQ(Script().boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(Script().boxes[0].owner, Main());
    EXPECT_EQ(Grid().selectedRow, 1);
    EXPECT_EQ(Fields()[0], L"7");
    PickVariant(2);
    EXPECT_EQ(Script().boxes.size(), 2u);
    EXPECT_EQ(SendMessageW(Controls().variant, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(CurrentPanelVariant(), 0);
    EXPECT_TRUE(PanelHasUnsavedChanges());

    Script().boxAnswer = IDNO;
    EXPECT_TRUE(ConfirmUnsavedChanges());
    EXPECT_EQ(Fields()[0], L"3");
    EXPECT_FALSE(IsChecked(Controls().trade));
    EXPECT_FALSE(PanelHasUnsavedChanges());

    Type(Controls().qty[0], L"7");
    Script().boxAnswer = IDYES;
    Select(0);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT qty FROM inventory WHERE card_id = 'base1-58' AND condition = "
                                         "'Mint';"),
              (Rows{"7"}));
    EXPECT_EQ(Grid().selectedRow, 0);
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Charizard");

    // Yes with a save that fails keeps the window open.
    Type(Controls().qty[2], L"x");
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    EXPECT_TRUE(IsWindow(Main()));
    EXPECT_EQ(StatusText(), L"Invalid quantity for Played \u2014 whole number only");
}

TEST_F(PanelTest, SwitchingModeWithUnsavedEditsAsksOnceAndTheCollectionSavesApart)
{
    Select(1);
    Type(Controls().qty[0], L"9");
    Script().boxAnswer = IDNO;
    Command(IDM_MODE_COLLECTION);
    EXPECT_EQ(Script().boxes.size(), 1u);
    EXPECT_TRUE(MainWindow().flags.collectionMode);
    EXPECT_EQ(Grid().selectedRow, -1);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT qty FROM inventory WHERE card_id = 'base1-58' AND condition = "
                                         "'Mint';"),
              (Rows{"3"}));

    Select(1);
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"0", L"", L"0", L"", L"0", L"", L""}));
    EXPECT_TRUE(IsChecked(Controls().want)); // the flags are the card's, in both ledgers
    Type(Controls().qty[2], L"2");
    Command(IDC_SAVE);
    EXPECT_EQ(StatusText(), L"Saved");
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id, variant, condition, qty FROM collection;"),
              (Rows{"base1-58|Standard|Played|2"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT COUNT(*) FROM inventory WHERE card_id = 'base1-58';"), (Rows{"2"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT ledger, location FROM variant_location;"), (Rows{"sale|Box A"}));
    EXPECT_TRUE(Logged("Saved collection stock for base1-58 [Standard]: card held=2"));
    EXPECT_EQ(Script().boxes.size(), 1u);
}

TEST_F(PanelTest, AnUnreadableDatabaseShowsTheCardButNothingEditable)
{
    WriteFileBytes(DatabasePath(), std::string(4096, 'x'));
    Select(1);
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Pikachu");
    EXPECT_EQ(WindowText(Controls().cardSubtitle), L"Base   #58   Common");
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"0", L"", L"0", L"", L"0", L"", L""}));
    EXPECT_FALSE(IsChecked(Controls().want));
    EXPECT_EQ(StatusText(), L"Could not read this card\u2019s data \u2014 not editable");
    EXPECT_FALSE(Editable());
    EXPECT_FALSE(IsWindowEnabled(Controls().variant));
    EXPECT_FALSE(PanelHasUnsavedChanges());

    Type(Controls().qty[0], L"1");
    EXPECT_FALSE(SavePanel());
    EXPECT_EQ(StatusText(), L"Database open failed");
    EXPECT_EQ(ReadFileBytes(DatabasePath()), std::string(4096, 'x'));
}

} // namespace
