#include "core/catalogue.h"

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
