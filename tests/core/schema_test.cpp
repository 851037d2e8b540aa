#include "core/schema.h"

#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <vector>

namespace {

// How often the pre-migration hook ran, and the schema version in the file's
// header at that moment, as a backup copy would hold it.
int hookCalls = 0;
int versionSeenByHook = -1;

bool RecordingHook(int, std::string&)
{
    ++hookCalls;
    const std::string bytes = ReadFileBytes(DatabasePath());
    versionSeenByHook = bytes.size() < 64 ? -1 : static_cast<unsigned char>(bytes[63]);
    return true;
}

using Rows = std::vector<std::string>;

class SchemaTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        hookCalls = 0;
        versionSeenByHook = -1;
        SetPreMigrationBackupHook(RecordingHook);
    }

    void Sql(const char* sql) { RunSql(DatabasePath(), sql); }
    Rows Query(const char* sql) { return QueryRows(DatabasePath(), sql); }
    int Version() { return std::stoi(Query("PRAGMA user_version;").at(0)); }

    bool Open(std::string& error)
    {
        DbHandle db;
        return OpenReadyDb(DatabasePath(), db, error);
    }
};

} // namespace

TEST_F(SchemaTest, UpgradesKeepEveryStockRowSaleAndLocation)
{
    Sql("CREATE TABLE inventory (inv_id INTEGER PRIMARY KEY AUTOINCREMENT, card_id TEXT NOT NULL, "
        "condition TEXT NOT NULL, price REAL, qty INTEGER NOT NULL DEFAULT 1);"
        "INSERT INTO inventory VALUES (3, 'base1-4', 'Mint', 120.5, 2), (7, 'base1-4', 'Played', NULL, 1), "
        "(9, 'sv3pt5-151', 'Near Mint', 0.99, 40);");
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(versionSeenByHook, 0);
    EXPECT_EQ(Query("SELECT inv_id, card_id, variant, condition, price, qty FROM inventory ORDER BY inv_id;"),
              (Rows{"3|base1-4|Standard|Mint|120.5|2", "7|base1-4|Standard|Played|NULL|1",
                    "9|sv3pt5-151|Standard|Near Mint|0.99|40"}));

    DeleteFileW(DatabasePath().c_str());
    MakeDatabaseAt(DatabasePath(), 2);
    Sql("INSERT INTO inventory (card_id, variant, condition, price, qty) VALUES ('a', 'Holo', 'Mint', 5, 4);"
        "INSERT INTO sales (card_id, condition, qty, price, sold_at) VALUES ('a', 'Mint', 1, 5, '2024-01-02'), "
        "('b', 'Played', 2, 1.5, '2024-01-03');");
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(versionSeenByHook, 2);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query("SELECT sale_id, batch_id, card_id, qty FROM sales ORDER BY sale_id;"),
              (Rows{"1|1|a|1", "2|2|b|2"}));
    EXPECT_EQ(Query("SELECT card_id, variant, condition, price, qty FROM inventory;"), Rows{"a|Holo|Mint|5.0|4"});

    // Version 5 copies each card's location to every variant held of it.
    DeleteFileW(DatabasePath().c_str());
    MakeDatabaseAt(DatabasePath(), 4);
    Sql("INSERT INTO inventory (card_id, variant, condition, qty) VALUES ('two', 'Holo', 'Mint', 1), "
        "('two', 'Standard', 'Mint', 1), ('two', 'Holo', 'Played', 1);"
        "INSERT INTO card_location VALUES ('two', 'Box A'), ('none', 'Shelf'), ('empty', '');");
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(Query("SELECT ledger, card_id, variant, location FROM variant_location ORDER BY card_id, variant;"),
              (Rows{"sale|none|Standard|Shelf", "sale|two|Holo|Box A", "sale|two|Standard|Box A"}));
}

TEST_F(SchemaTest, AFailingStepLeavesThePreviousVersionAndNothingOfItself)
{
    MakeDatabaseAt(DatabasePath(), 4);
    // A stray table named like the next step's second one fails that step half way.
    Sql("CREATE TABLE variant_location (x);INSERT INTO card_location VALUES ('a', 'Box');"
        "INSERT INTO inventory (card_id, condition) VALUES ('a', 'Mint');");
    std::string error;
    EXPECT_FALSE(Open(error));
    EXPECT_EQ(Version(), 4);
    EXPECT_EQ(Query("SELECT name FROM sqlite_master WHERE name IN ('collection', 'card_flags');").size(), 0u);
    EXPECT_EQ(Query("SELECT * FROM variant_location;").size(), 0u);

    // Once the obstacle is gone, the next open backs up again and finishes.
    Sql("DROP TABLE variant_location;");
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(versionSeenByHook, 4);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query("SELECT * FROM variant_location;"), Rows{"sale|a|Standard|Box"});
}

TEST_F(SchemaTest, WritesAreAllOrNothingAndNeverSilentlyLost)
{
    // An empty name would open SQLite's private temporary database, where
    // every write "succeeds" and is gone at close.
    DbHandle db;
    std::string error;
    EXPECT_FALSE(OpenReadyDb(L"", db, error));
    EXPECT_FALSE(db);

    ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
    {
        Transaction tx; // leaves scope on an error path without committing
        ASSERT_TRUE(tx.Begin(db.get(), error)) << error;
        ASSERT_TRUE(ExecSql(db.get(), "INSERT INTO inventory (card_id, condition) VALUES ('a', 'Mint');", error));
    }
    {
        Transaction tx;
        ASSERT_TRUE(tx.Begin(db.get(), error, "BEGIN IMMEDIATE;")) << error;
        StmtHandle insert = PrepareStmt(db.get(), "INSERT INTO inventory (card_id, condition) VALUES (?, 'M');", error);
        ASSERT_TRUE(insert) << error;
        BindText(insert.get(), 1, std::string_view()); // empty, never NULL
        ASSERT_TRUE(StepDone(insert.get(), error)) << error;
        insert.reset();
        ASSERT_TRUE(tx.Commit(error)) << error;
    }
    db.reset();
    EXPECT_EQ(Query("SELECT typeof(card_id) || ':' || card_id FROM inventory;"), Rows{"text:"});
}
