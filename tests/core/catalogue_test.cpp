#include "core/catalogue.h"

#include "core/stock.h"
#include "core/text.h"
#include "tests/core/ledger_db_fixture.h"

namespace {

class CatalogueTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        std::string error;
        ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    }

    // Each row as "card_id|location|held".
    std::vector<std::string> Load(Ledger ledger)
    {
        std::vector<CatalogueRow> rows(1); // a stale row that must go
        std::string error;
        EXPECT_TRUE(LoadCatalogueRows(db.get(), rows, error, ledger)) << error;
        std::vector<std::string> texts;
        for (const CatalogueRow& r : rows)
            texts.push_back(WideToUtf8(r.card_id + L"|" + r.location + L"|") + std::to_string(r.held));
        return texts;
    }
};

} // namespace

TEST_F(CatalogueTest, InsertingAnExistingCardChangesNothing)
{
    std::string error;
    StmtHandle insert = PrepareStmt(db.get(), CatalogueInsertSql, error);
    ASSERT_TRUE(insert) << error;
    const std::pair<const char*, CatalogueSetEntry> cards[] = {
        {R"({"id": "base1-4", "name": "Charizard", "images": {"small": "a.png"}})", {"base1", "Base", "Base", "102"}},
        {R"({"id": "base1-4", "name": "Renamed", "images": {"small": "b.png"}})", {"base2", "Jungle", "Base", "64"}}};
    for (const auto& [json, set] : cards) {
        JsonValue card;
        ASSERT_TRUE(ParseJson(json, card, error)) << error;
        sqlite3_reset(insert.get());
        ASSERT_TRUE(InsertCatalogueCard(insert.get(), card, set));
        ASSERT_TRUE(StepDone(insert.get(), error)) << error;
    }
    EXPECT_EQ(Rows("SELECT card_id, name, set_id, img_small FROM catalogue;"),
              std::vector<std::string>{"base1-4|Charizard|base1|a.png"});
}

TEST_F(CatalogueTest, HeldSumsEveryVariantAndConditionOfTheChosenLedgerOnly)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name) VALUES ('a', 'A', 'S'), ('b', 'B', 'S'), ('c', 'C', 'S');"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
         "('a', 'Standard', 'Mint', 2, 1.0), ('a', 'Standard', 'Played', 3, 1.0), ('a', 'Holo', 'Near Mint', 5, 9.0), "
         "('b', 'Other', 'Mint', 0, 1.0), ('zz', 'Standard', 'Mint', 7, 1.0);"
         "INSERT INTO collection (card_id, variant, condition, qty) VALUES "
         "('a', 'Reverse Holo', 'Mint', 11), ('c', 'Standard', 'Mint', 1), ('c', 'Holo', 'Played', 2);"
         "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
         "('sale', 'a', 'Holo', 'For sale box'), ('coll', 'a', 'Holo', 'Binder'), ('COLL', 'a', 'Holo', 'Odd');");
    // Locations are found under the words earlier builds stored; no other spelling is read.
    EXPECT_EQ(Load(Ledger::Sale), (std::vector<std::string>{"a|For sale box|10", "b||0", "c||0"}));
    EXPECT_EQ(Load(Ledger::Collection), (std::vector<std::string>{"a|Binder|11", "b||0", "c||3"}));
}

TEST_F(CatalogueTest, AFailedReadIsReportedNotTakenForAnEmptyCatalogue)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name) VALUES ('a', 'A', 'S'); DROP TABLE variant_location;");
    std::vector<CatalogueRow> rows;
    std::string error;
    EXPECT_FALSE(LoadCatalogueRows(db.get(), rows, error, Ledger::Sale));
}

TEST_F(CatalogueTest, HeldCardsMissingFromTheCatalogueAndImageLinks)
{
    Exec("INSERT INTO catalogue (card_id, img_small, img_large) VALUES ('a', 's.png', 'l.png'), ('b', '', 'bl.png'), "
         "('c', NULL, NULL);"
         "INSERT INTO inventory (card_id, variant, condition, qty) VALUES ('a', 'Holo', 'Mint', 1), "
         "('x', 'Holo', 'Mint', 2), ('x', 'Standard', 'Mint', 1), ('y', 'Holo', 'Mint', 0), ('z', 'Holo', 'Mint', 1);"
         "INSERT INTO collection (card_id, variant, condition, qty) VALUES ('w', 'Holo', 'Mint', 5);");
    // Sale stock only, each card once, and a row sold down to nothing is no held card.
    EXPECT_EQ(CountHeldCardsMissingFromCatalogue(db.get()), 2);
    EXPECT_EQ(LoadCardImageUrl(db.get(), "a"), "s.png");
    EXPECT_EQ(LoadCardImageUrl(db.get(), "b"), "bl.png");
    EXPECT_EQ(LoadCardImageUrl(db.get(), "c"), "");
    EXPECT_EQ(LoadCardImageUrl(db.get(), "x"), "");

    // Before the first update every held card is missing.
    Exec("DROP TABLE catalogue;");
    EXPECT_EQ(CountHeldCardsMissingFromCatalogue(db.get()), 3);
    EXPECT_EQ(LoadCardImageUrl(db.get(), "a"), "");
}
