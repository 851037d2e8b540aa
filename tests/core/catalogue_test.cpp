#include "core/catalogue.h"

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

    // One card as the online update handles it; the rows added, or -1 when
    // the card was refused.
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

    // Each row as its fields joined by '|'.
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

    StmtHandle insert;
};

} // namespace

TEST_F(CatalogueTest, InsertingAnExistingCardChangesNothing)
{
    ASSERT_EQ(Insert(R"({"id": "base1-4", "name": "Charizard", "images": {"small": "a.png"}})"), 1);
    const CatalogueSetEntry otherSet = {"base2", "Jungle", "Base", "64"};
    EXPECT_EQ(Insert(R"({"id": "base1-4", "name": "Renamed", "images": {"small": "b.png"}})", otherSet), 0);
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
    EXPECT_EQ(Load(Ledger::Sale),
              (std::vector<std::string>{"a|A|S||||For sale box|10|--", "b|B|S|||||0|--", "c|C|S|||||0|--"}));
    EXPECT_EQ(Load(Ledger::Collection),
              (std::vector<std::string>{"a|A|S||||Binder|11|--", "b|B|S|||||0|--", "c|C|S|||||3|--"}));
    // Only the exact key selects the collection.
    EXPECT_EQ(Load("COLL"),
              (std::vector<std::string>{"a|A|S||||Odd|10|--", "b|B|S|||||0|--", "c|C|S|||||0|--"}));
    EXPECT_EQ(Load(nullptr),
              (std::vector<std::string>{"a|A|S|||||10|--", "b|B|S|||||0|--", "c|C|S|||||0|--"}));
}

TEST_F(CatalogueTest, AFailedReadIsReportedNotTakenForAnEmptyCatalogue)
{
    Exec("INSERT INTO catalogue (card_id, name, set_name) VALUES ('a', 'A', 'S');"
         "DROP TABLE variant_location;");
    std::vector<CatalogueRow> rows;
    std::string error;
    EXPECT_FALSE(LoadCatalogueRows(db.get(), rows, error, Ledger::Sale));
    EXPECT_NE(error.find("variant_location"), std::string::npos) << error;
}
