#include "core/catalogue.h"

#include "core/locations.h"
#include "core/stock.h"
#include "core/text.h"
#include "tests/core/ledger_db_fixture.h"

namespace {

const CatalogueSetEntry kBaseSet = {"base1", "Base", "Base", "102"};

class CatalogueTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        std::string error;
        ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
        insert = PrepareStmt(db.get(), CatalogueInsertSql, error);
        ASSERT_TRUE(insert) << error;
    }

    void TearDown() override
    {
        insert.reset();
        LedgerDbTest::TearDown();
    }

    // One card as the online update handles it: reset and clear, bind,
    // step only when bound. Returns the rows the step added (-1 when the
    // card was refused).
    int Insert(const char* cardJson, const CatalogueSetEntry& set = kBaseSet)
    {
        JsonValue card;
        std::string error;
        EXPECT_TRUE(ParseJson(cardJson, card, error)) << error;
        sqlite3_reset(insert.get());
        sqlite3_clear_bindings(insert.get());
        if (!InsertCatalogueCard(insert.get(), card, set))
            return -1;
        EXPECT_TRUE(StepDone(insert.get(), error)) << error;
        return sqlite3_changes(db.get());
    }

    StmtHandle insert;
};

using CatalogueTableTest = LedgerDbTest;

} // namespace

TEST_F(CatalogueTableTest, ComesOnlyWithTheUpdateAndCreatingItAgainChangesNothing)
{
    bool exists = true;
    std::string error;
    ASSERT_TRUE(CatalogueExists(db.get(), exists, error)) << error;
    EXPECT_FALSE(exists);

    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    Exec("INSERT INTO catalogue (card_id) VALUES ('base1-1');");
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    ASSERT_TRUE(CatalogueExists(db.get(), exists, error)) << error;
    EXPECT_TRUE(exists);
    EXPECT_EQ(Rows("SELECT card_id FROM catalogue;"), std::vector<std::string>{"base1-1"});
    EXPECT_EQ(Rows("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'catalogue' ORDER BY name;"),
              (std::vector<std::string>{"idx_catalogue_id", "idx_catalogue_name", "idx_catalogue_set"}));
}

TEST_F(CatalogueTest, ACardWithoutAUsableIdIsRefusedAndNothingIsBound)
{
    const char* refused[] = {
        R"({"name": "Alakazam", "number": "1"})",
        R"({"id": "", "name": "Alakazam"})",
        R"({"id": 1, "name": "Alakazam"})",
        R"({"id": null, "name": "Alakazam"})",
        R"({"id": ["base1-1"], "name": "Alakazam"})",
        R"(["id", "base1-1"])",
        R"("base1-1")",
    };
    for (const char* card : refused) {
        SCOPED_TRACE(card);
        EXPECT_EQ(Insert(card), -1);
        // Stepped anyway, the statement inserts only NULLs: nothing of the
        // refused card reached it.
        std::string error;
        ASSERT_TRUE(StepDone(insert.get(), error)) << error;
    }
    EXPECT_EQ(Rows("SELECT DISTINCT card_id, name, set_id, set_name, series, number, set_total, rarity, supertype, "
                   "img_small, img_large FROM catalogue;"),
              std::vector<std::string>{"NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"});
}

TEST_F(CatalogueTest, ACardTakesItsSetFromTheSetEntryAndStoresMissingValuesAsEmptyText)
{
    EXPECT_EQ(Insert(R"({"id": "base1-4", "name": "Charizard", "supertype": "Pok\u00e9mon", "number": "4",
                         "rarity": "Rare Holo", "set": {"id": "base9", "name": "Wrong", "series": "Other",
                         "printedTotal": 7},
                         "images": {"small": "https://img/base1/4.png", "large": "https://img/base1/4_hires.png"}})"),
              1);
    // Mistyped members, an "images" that is no object, duplicate keys.
    EXPECT_EQ(Insert(R"({"id": "base1-5", "id": "ignored", "name": 5, "number": null, "images": "x.png"})"), 1);
    EXPECT_EQ(Insert(R"({"id": "base1-6", "images": {"small": 1, "large": "https://img/base1/6_hires.png"}})"), 1);
    EXPECT_EQ(Rows("SELECT card_id, name, set_id, set_name, series, number, set_total, rarity, supertype, "
                   "img_small, img_large FROM catalogue ORDER BY card_id;"),
              (std::vector<std::string>{
                  "base1-4|Charizard|base1|Base|Base|4|102|Rare Holo|Pok\xc3\xa9mon|https://img/base1/4.png|"
                  "https://img/base1/4_hires.png",
                  "base1-5||base1|Base|Base||102||||",
                  "base1-6||base1|Base|Base||102||||https://img/base1/6_hires.png",
              }));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM catalogue WHERE name IS NULL OR number IS NULL OR img_small IS NULL;"),
              std::vector<std::string>{"0"});
}

TEST_F(CatalogueTest, InsertingAnExistingCardChangesNothing)
{
    ASSERT_EQ(Insert(R"({"id": "base1-4", "name": "Charizard", "images": {"small": "a.png"}})"), 1);
    const CatalogueSetEntry otherSet = {"base2", "Jungle", "Base", "64"};
    EXPECT_EQ(Insert(R"({"id": "base1-4", "name": "Renamed", "images": {"small": "b.png"}})", otherSet), 0);
    EXPECT_EQ(Rows("SELECT card_id, name, set_id, img_small FROM catalogue;"),
              std::vector<std::string>{"base1-4|Charizard|base1|a.png"});
}

namespace {

class CatalogueRowsTest : public CatalogueTest {
protected:
    // Each row as its fields in record order joined by '|'.
    std::vector<std::string> Load(const char* ledger)
    {
        std::vector<CatalogueRow> rows(1); // a stale row that must go
        std::string error;
        EXPECT_TRUE(LoadCatalogueRows(db.get(), rows, error, ledger)) << error;
        std::vector<std::string> texts;
        for (const CatalogueRow& r : rows) {
            texts.push_back(WideToUtf8(r.card_id + L"|" + r.name + L"|" + r.set_name + L"|" + r.number + L"|" +
                                       r.set_total + L"|" + r.rarity + L"|" + r.location + L"|") +
                            std::to_string(r.held) + "|" + (r.want ? "W" : "-") + (r.tradable ? "T" : "-"));
        }
        return texts;
    }
};

} // namespace

TEST_F(CatalogueTableTest, WithoutTheCatalogueEveryReaderSeesAnEmptyCatalogue)
{
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
         "('base1-4', 'Holo', 'Mint', 2, 100.0), ('base1-4', 'Standard', 'Played', 1, 5.0), "
         "('base1-5', 'Holo', 'Mint', 1, 10.0), ('base1-6', 'Holo', 'Mint', 0, 10.0);");
    std::vector<CatalogueRow> rows(3);
    std::string error;
    ASSERT_TRUE(LoadCatalogueRows(db.get(), rows, error, Ledger::Sale)) << error;
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(LoadCardImageUrl(db.get(), "base1-4"), "");
    // Every card held for sale is missing from a catalogue not yet loaded.
    EXPECT_EQ(CountHeldCardsMissingFromCatalogue(db.get()), 2);
}

TEST_F(CatalogueRowsTest, EveryCardYieldsOneRowBySetNameThenNameThenIdInByteOrder)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
         "('b-2', 'Abra', 'base', '2', '10', 'Common'), "
         "('b-1', 'Abra', 'base', '1', '10', 'Common'), "
         "('j-1', 'Zubat', 'Jungle', '1', '64', 'Common'), "
         "('j-2', '\xc3\x89" "evee', 'Jungle', 'SV2', '64', 'Rare'), "
         "('j-3', 'Eevee', 'Jungle', '3', '64', 'Rare'), "
         "('x-1', NULL, NULL, NULL, NULL, NULL);");
    // Stock in several rows and ledgers, flags and locations must not
    // multiply a card's row.
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
         "('b-1', 'Holo', 'Mint', 1, 1.0), ('b-1', 'Standard', 'Mint', 1, 1.0), ('b-1', 'Holo', 'Played', 1, 1.0);"
         "INSERT INTO collection (card_id, variant, condition, qty) VALUES ('b-1', 'Holo', 'Mint', 4);"
         "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
         "('sale', 'b-1', 'Holo', 'Box 1'), ('sale', 'b-1', 'Reverse Holo', 'Box 2');"
         "INSERT INTO card_flags (card_id, want, tradable) VALUES ('b-1', 1, 0);");
    EXPECT_EQ(Load(Ledger::Sale), (std::vector<std::string>{
                                      "x-1|||||||0|--",
                                      "j-3|Eevee|Jungle|3|64|Rare||0|--",
                                      "j-1|Zubat|Jungle|1|64|Common||0|--",
                                      "j-2|\xc3\x89" "evee|Jungle|SV2|64|Rare||0|--",
                                      "b-1|Abra|base|1|10|Common|Box 1|3|W-",
                                      "b-2|Abra|base|2|10|Common||0|--",
                                  }));
}

TEST_F(CatalogueRowsTest, HeldSumsEveryVariantAndConditionOfTheChosenLedgerOnly)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name) VALUES ('a', 'A', 'S'), ('b', 'B', 'S'), ('c', 'C', 'S');"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
         "('a', 'Standard', 'Mint', 2, 1.0), ('a', 'Standard', 'Played', 3, 1.0), ('a', 'Holo', 'Near Mint', 5, 9.0), "
         "('b', 'Other', 'Mint', 0, 1.0), ('zz', 'Standard', 'Mint', 7, 1.0);"
         "INSERT INTO collection (card_id, variant, condition, qty) VALUES "
         "('a', 'Reverse Holo', 'Mint', 11), ('c', 'Standard', 'Mint', 1), ('c', 'Holo', 'Played', 2);"
         "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
         "('sale', 'a', 'Holo', 'For sale box'), ('coll', 'a', 'Holo', 'Binder'), ('COLL', 'a', 'Holo', 'Odd');");
    const std::vector<std::string> sale = {"a|A|S||||For sale box|10|--", "b|B|S|||||0|--", "c|C|S|||||0|--"};
    EXPECT_EQ(Load(Ledger::Sale), sale);
    EXPECT_EQ(Load(Ledger::Collection),
              (std::vector<std::string>{"a|A|S||||Binder|11|--", "b|B|S|||||0|--", "c|C|S|||||3|--"}));
    // Only the exact key selects the collection; the location still goes by
    // the key as given, and without a key there is none.
    EXPECT_EQ(Load("COLL"),
              (std::vector<std::string>{"a|A|S||||Odd|10|--", "b|B|S|||||0|--", "c|C|S|||||0|--"}));
    EXPECT_EQ(Load(nullptr),
              (std::vector<std::string>{"a|A|S|||||10|--", "b|B|S|||||0|--", "c|C|S|||||0|--"}));
}

TEST_F(CatalogueRowsTest, TheLocationIsTheStandardVariantsElseTheFirstVariantsAsTheStockPanelShowsIt)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name) VALUES "
         "('both', 'A', 'S'), ('holo', 'B', 'S'), ('holo-rev', 'C', 'S'), ('empty', 'D', 'S'), ('none', 'E', 'S');"
         "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
         "('sale', 'both', 'Holo', 'Box 1'), ('sale', 'both', 'Standard', 'Binder 2'), "
         "('sale', 'holo', 'Holo', 'Box 3'), "
         "('sale', 'holo-rev', 'Reverse Holo', 'Box 4'), ('sale', 'holo-rev', 'Holo', 'Box 5'), "
         "('sale', 'empty', 'Standard', ''), ('sale', 'empty', 'Holo', ''), "
         "('coll', 'none', 'Standard', 'Shelf');");
    std::vector<CatalogueRow> rows;
    std::string error;
    ASSERT_TRUE(LoadCatalogueRows(db.get(), rows, error, Ledger::Sale)) << error;
    std::vector<std::wstring> locations;
    for (const CatalogueRow& row : rows) {
        locations.push_back(row.location);
        std::wstring panel;
        ASSERT_TRUE(LoadCardLocation(db.get(), Ledger::Sale, WideToUtf8(row.card_id), panel, error)) << error;
        EXPECT_EQ(row.location, panel) << WideToUtf8(row.card_id);
    }
    EXPECT_EQ(locations, (std::vector<std::wstring>{L"Binder 2", L"Box 3", L"Box 5", L"", L""}));
}

TEST_F(CatalogueRowsTest, FlagsComeFromCardFlagsAndAreAllClearWithoutTheTable)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name) VALUES ('a', 'A', 'S'), ('b', 'B', 'S'), ('c', 'C', 'S');"
         "INSERT INTO card_flags (card_id, want, tradable) VALUES ('a', 1, 0), ('b', 0, 2), ('zz', 1, 1);");
    EXPECT_EQ(Load(Ledger::Sale),
              (std::vector<std::string>{"a|A|S|||||0|W-", "b|B|S|||||0|-T", "c|C|S|||||0|--"}));
    Exec("DROP TABLE card_flags;");
    EXPECT_EQ(Load(Ledger::Sale),
              (std::vector<std::string>{"a|A|S|||||0|--", "b|B|S|||||0|--", "c|C|S|||||0|--"}));
}

TEST_F(CatalogueRowsTest, AFailedReadIsReportedNotTakenForAnEmptyCatalogue)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name) VALUES ('a', 'A', 'S');"
         "DROP TABLE variant_location;");
    std::vector<CatalogueRow> rows;
    std::string error;
    EXPECT_FALSE(LoadCatalogueRows(db.get(), rows, error, Ledger::Sale));
    EXPECT_NE(error.find("variant_location"), std::string::npos) << error;
}

TEST_F(CatalogueTest, TheImageLinkIsTheSmallOneElseTheLargeOne)
{
    Insert(R"({"id": "both", "images": {"small": "s.png", "large": "l.png"}})");
    Insert(R"({"id": "large", "images": {"large": "l.png"}})");
    Insert(R"({"id": "none"})");
    EXPECT_EQ(LoadCardImageUrl(db.get(), "both"), "s.png");
    EXPECT_EQ(LoadCardImageUrl(db.get(), "large"), "l.png");
    EXPECT_EQ(LoadCardImageUrl(db.get(), "none"), "");
    EXPECT_EQ(LoadCardImageUrl(db.get(), "missing"), "");
}

TEST_F(CatalogueTest, HeldCardsMissingFromTheCatalogueAreCountedOncePerCard)
{
    Insert(R"({"id": "base1-4"})");
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
         "('base1-4', 'Holo', 'Mint', 1, 1.0), "
         "('gone-1', 'Holo', 'Mint', 1, 1.0), ('gone-1', 'Standard', 'Played', 2, 1.0), "
         "('gone-2', 'Holo', 'Mint', 1, 1.0), ('sold-out', 'Holo', 'Mint', 0, 1.0);"
         "INSERT INTO collection (card_id, variant, condition, qty) VALUES ('kept', 'Holo', 'Mint', 3);");
    EXPECT_EQ(CountHeldCardsMissingFromCatalogue(db.get()), 2);
}
