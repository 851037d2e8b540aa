#include "core/schema.h"

#include "core/log.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <vector>

namespace {

// What the pre-migration hook saw: how often it ran, and the schema version
// of the file at that moment (read from the file's header, as a backup copy
// would hold it).
int hookCalls = 0;
int versionSeenByHook = -1;
std::string hookFailure;
bool hookSucceeds = true;

int HeaderUserVersion(const std::string& bytes)
{
    if (bytes.size() < 64)
        return 0;
    const auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    return static_cast<int>((b(60) << 24) | (b(61) << 16) | (b(62) << 8) | b(63));
}

bool RecordingHook(std::string& error)
{
    ++hookCalls;
    versionSeenByHook = HeaderUserVersion(ReadFileBytes(DatabasePath()));
    if (!hookSucceeds)
        error = hookFailure;
    return hookSucceeds;
}

class SchemaTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        hookCalls = 0;
        versionSeenByHook = -1;
        hookSucceeds = true;
        hookFailure.clear();
        SetPreMigrationBackupHook(RecordingHook);
    }

    void MakeDatabase(const char* sql) { RunSql(DatabasePath(), sql); }
    void MakeDatabaseAt(int version) { ::MakeDatabaseAt(DatabasePath(), version); }
    std::vector<std::string> Query(const char* sql) { return QueryRows(DatabasePath(), sql); }

    bool Open(std::string& error)
    {
        DbHandle db;
        return OpenReadyDb(DatabasePath(), db, error);
    }

    int Version() { return std::stoi(Query("PRAGMA user_version;").at(0)); }

    std::string LogText()
    {
        CloseDebugLog();
        return ReadFileBytes(folder.File(L"debug.log"));
    }

    static constexpr const char* kTablesAtV6 =
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name;";
};

const std::vector<std::string> kAllTables = {"card_flags", "card_location", "collection",
                                             "inventory", "sales",         "variant_location"};

} // namespace

TEST_F(SchemaTest, ANewFileReachesVersion6WithoutABackup)
{
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 0);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query(kTablesAtV6), kAllTables);
    const std::string log = LogText();
    size_t at = 0;
    for (const char* line : {"] Database migrated to schema v2 (added sales ledger table)\r\n",
                             "] Database migrated to schema v3 (added card_location table)\r\n",
                             "] Database migrated to schema v4 (added sales.batch_id)\r\n",
                             "] Database migrated to schema v5 (added collection + variant_location; migrated "
                             "card_location -> per-variant sale locations)\r\n",
                             "] Database migrated to schema v6 (added card_flags for Want/Trade)\r\n"}) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line;
    }
    EXPECT_EQ(log.find("Pre-migration"), std::string::npos);

    // A second open finds nothing to do and writes nothing.
    const std::string before = ReadFileBytes(DatabasePath());
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
    EXPECT_EQ(hookCalls, 0);
}

TEST_F(SchemaTest, AVersion0InventoryKeepsEveryRowAndGainsTheVariant)
{
    MakeDatabase("CREATE TABLE inventory (inv_id INTEGER PRIMARY KEY AUTOINCREMENT, card_id TEXT NOT NULL, "
                 "condition TEXT NOT NULL, price REAL, qty INTEGER NOT NULL DEFAULT 1);"
                 "INSERT INTO inventory VALUES (3, 'base1-4', 'Mint', 120.5, 2);"
                 "INSERT INTO inventory VALUES (7, 'base1-4', 'Played', NULL, 1);"
                 "INSERT INTO inventory VALUES (9, 'sv3pt5-151', 'Near Mint', 0.99, 40);");
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(versionSeenByHook, 0);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query("SELECT inv_id, card_id, variant, condition, price, qty FROM inventory ORDER BY inv_id;"),
              (std::vector<std::string>{"3|base1-4|Standard|Mint|120.5|2", "7|base1-4|Standard|Played|NULL|1",
                                        "9|sv3pt5-151|Standard|Near Mint|0.99|40"}));
    EXPECT_EQ(Query(kTablesAtV6), kAllTables);
    const std::string log = LogText();
    EXPECT_NE(log.find("] Pre-migration backup OK; upgrading from schema v0 to v6\r\n"), std::string::npos);
    EXPECT_LT(log.find("Inventory migrated to schema v1 (added variant column)"), log.find("schema v2"));
}

TEST_F(SchemaTest, AVersion0FileThatAlreadyHasTheVariantIsFinishedWithoutRebuild)
{
    // A creation that stopped before it could write version 1.
    MakeDatabase("CREATE TABLE inventory (  inv_id    INTEGER PRIMARY KEY AUTOINCREMENT,  card_id   TEXT    NOT "
                 "NULL,  variant   TEXT    NOT NULL DEFAULT 'Standard',  condition TEXT    NOT NULL,  price     "
                 "REAL,  qty       INTEGER NOT NULL DEFAULT 1,  UNIQUE(card_id, variant, condition));"
                 "INSERT INTO inventory (card_id, variant, condition, qty) VALUES ('a', 'Holo', 'Mint', 3);");
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 0);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query("SELECT card_id, variant, qty FROM inventory;"), std::vector<std::string>{"a|Holo|3"});
    EXPECT_EQ(LogText().find("Inventory migrated"), std::string::npos);
}

TEST_F(SchemaTest, AVersion2FileIsUpgradedAfterOneBackupKeepingItsSales)
{
    MakeDatabaseAt(2);
    MakeDatabase("INSERT INTO inventory (card_id, variant, condition, price, qty) VALUES ('a', 'Holo', 'Mint', 5, 4);"
                 "INSERT INTO sales (card_id, condition, qty, price, sold_at) VALUES ('a', 'Mint', 1, 5, "
                 "'2024-01-02 03:04:05');"
                 "INSERT INTO sales (card_id, condition, qty, price, sold_at) VALUES ('b', 'Played', 2, 1.5, "
                 "'2024-01-03 03:04:05');");
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(versionSeenByHook, 2);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query("SELECT sale_id, batch_id, card_id, qty FROM sales ORDER BY sale_id;"),
              (std::vector<std::string>{"1|1|a|1", "2|2|b|2"}));
    EXPECT_EQ(Query("SELECT card_id, variant, condition, price, qty FROM inventory;"),
              std::vector<std::string>{"a|Holo|Mint|5.0|4"});
}

TEST_F(SchemaTest, AVersion3FileLogsTheBackupThenEachStep)
{
    MakeDatabaseAt(3);
    CloseDebugLog();
    DeleteFileW(folder.File(L"debug.log").c_str());
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 1);
    const std::string log = LogText();
    const size_t backup = log.find("] Pre-migration backup OK; upgrading from schema v3 to v6\r\n");
    ASSERT_NE(backup, std::string::npos);
    EXPECT_LT(backup, log.find("schema v4 (added sales.batch_id)"));
    EXPECT_LT(log.find("schema v4"), log.find("schema v5"));
    EXPECT_LT(log.find("schema v5"), log.find("schema v6"));
    EXPECT_EQ(log.find("schema v2 (added"), std::string::npos);
}

TEST_F(SchemaTest, AVersion5FileKeepsEveryStockRowAndLocation)
{
    MakeDatabaseAt(5);
    MakeDatabase("INSERT INTO inventory (card_id, variant, condition, price, qty) VALUES ('a', 'Holo', 'Mint', 5, 4);"
                 "INSERT INTO collection (card_id, variant, condition, qty) VALUES ('a', 'Standard', 'Played', 2);"
                 "INSERT INTO variant_location VALUES ('coll', 'a', 'Standard', 'Binder 2');");
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query("SELECT card_id, variant, condition, price, qty FROM inventory;"),
              std::vector<std::string>{"a|Holo|Mint|5.0|4"});
    EXPECT_EQ(Query("SELECT card_id, variant, condition, qty FROM collection;"),
              std::vector<std::string>{"a|Standard|Played|2"});
    EXPECT_EQ(Query("SELECT * FROM variant_location;"), std::vector<std::string>{"coll|a|Standard|Binder 2"});
}

TEST_F(SchemaTest, Version5CopiesCardLocationsPerHeldVariant)
{
    MakeDatabaseAt(4);
    MakeDatabase("INSERT INTO inventory (card_id, variant, condition, qty) VALUES ('two', 'Holo', 'Mint', 1);"
                 "INSERT INTO inventory (card_id, variant, condition, qty) VALUES ('two', 'Standard', 'Mint', 1);"
                 "INSERT INTO inventory (card_id, variant, condition, qty) VALUES ('two', 'Holo', 'Played', 1);"
                 "INSERT INTO card_location VALUES ('two', 'Box A');"
                 "INSERT INTO card_location VALUES ('none', 'Shelf');"
                 "INSERT INTO card_location VALUES ('empty', '');");
    std::string error;
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(Query("SELECT ledger, card_id, variant, location FROM variant_location ORDER BY card_id, variant;"),
              (std::vector<std::string>{"sale|none|Standard|Shelf", "sale|two|Holo|Box A",
                                        "sale|two|Standard|Box A"}));
}

TEST_F(SchemaTest, NewerAndNegativeVersionsAreRefusedAndLeftUntouched)
{
    for (int version : {7, 42, -1}) {
        DeleteFileW(DatabasePath().c_str());
        MakeDatabaseAt(6);
        MakeDatabase(("PRAGMA user_version = " + std::to_string(version) + ";").c_str());
        const std::string before = ReadFileBytes(DatabasePath());
        std::string error;
        EXPECT_FALSE(Open(error));
        if (version > 0) {
            EXPECT_EQ(error, "This database was created by a newer version of the app (schema v" +
                                 std::to_string(version) + "; this build understands up to v6). Update the app "
                                 "to open it.");
        } else {
            EXPECT_NE(error.find("schema version (v-1)"), std::string::npos) << error;
        }
        EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
        EXPECT_EQ(hookCalls, 0);
    }
}

TEST_F(SchemaTest, AFileThatIsNotADatabaseIsRefusedNotRecreated)
{
    const std::string junk(4096, 'j');
    WriteFileBytes(DatabasePath(), junk);
    std::string error;
    EXPECT_FALSE(Open(error));
    EXPECT_EQ(error, "file is not a database");
    EXPECT_EQ(ReadFileBytes(DatabasePath()), junk);
    EXPECT_EQ(hookCalls, 0);
}

TEST_F(SchemaTest, ALaterVersionWithoutInventoryIsRefusedNotRewound)
{
    MakeDatabase("CREATE TABLE sales (sale_id INTEGER PRIMARY KEY);PRAGMA user_version = 3;");
    const std::string before = ReadFileBytes(DatabasePath());
    std::string error;
    EXPECT_FALSE(Open(error));
    EXPECT_NE(error.find("no inventory table"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
    EXPECT_EQ(hookCalls, 0);
}

TEST_F(SchemaTest, AnUpgradeWithoutABackupDoesNotRun)
{
    MakeDatabaseAt(2);
    const std::string before = ReadFileBytes(DatabasePath());
    std::string error;

    SetPreMigrationBackupHook(nullptr);
    EXPECT_FALSE(Open(error));
    EXPECT_EQ(error, "internal error: no pre-migration backup handler is installed");
    EXPECT_EQ(ReadFileBytes(DatabasePath()), before);

    SetPreMigrationBackupHook(RecordingHook);
    hookSucceeds = false;
    error.clear();
    EXPECT_FALSE(Open(error));
    EXPECT_EQ(error, "a required automatic backup could not be made, so the database upgrade was not run");

    hookFailure = "backups folder is read-only";
    error.clear();
    EXPECT_FALSE(Open(error));
    EXPECT_EQ(error, "backups folder is read-only");
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
    EXPECT_NE(LogText().find("] Pre-migration backup failed; upgrade from schema v2 BLOCKED: backups folder is "
                             "read-only\r\n"),
              std::string::npos);
}

TEST_F(SchemaTest, AFailingStepLeavesThePreviousVersionAndNothingOfItself)
{
    MakeDatabaseAt(4);
    // A stray table with the name the next step creates makes that step fail
    // half way: its first statement succeeds, its second does not.
    MakeDatabase("CREATE TABLE variant_location (x);INSERT INTO card_location VALUES ('a', 'Box');"
                 "INSERT INTO inventory (card_id, condition) VALUES ('a', 'Mint');");
    std::string error;
    EXPECT_FALSE(Open(error));
    EXPECT_EQ(error, "table variant_location already exists");
    EXPECT_EQ(Version(), 4);
    EXPECT_EQ(Query("SELECT name FROM sqlite_master WHERE name IN ('collection', 'card_flags');").size(), 0u);
    EXPECT_EQ(Query("SELECT * FROM variant_location;").size(), 0u);
    EXPECT_EQ(hookCalls, 1);

    // Once the obstacle is gone, the next open backs up again and finishes.
    MakeDatabase("DROP TABLE variant_location;");
    ASSERT_TRUE(Open(error)) << error;
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(versionSeenByHook, 4);
    EXPECT_EQ(Version(), 6);
    EXPECT_EQ(Query("SELECT * FROM variant_location;"), std::vector<std::string>{"sale|a|Standard|Box"});
}

TEST_F(SchemaTest, OpenFailureLeavesNoConnection)
{
    DbHandle db;
    std::string error;
    EXPECT_FALSE(OpenReadyDb(folder.File(L"missing\\binderwell.db"), db, error));
    EXPECT_FALSE(db);
    EXPECT_EQ(error, "unable to open database file");

    // An empty name would give SQLite's private temporary database, where
    // every write "succeeds" and is gone at close.
    error.clear();
    EXPECT_FALSE(OpenReadyDb(L"", db, error));
    EXPECT_FALSE(db);
    EXPECT_EQ(error, "could not open database");
}

TEST_F(SchemaTest, AnEmptyTextIsBoundAsEmptyNeverAsNull)
{
    std::string error;
    DbHandle db;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
    StmtHandle insert =
        PrepareStmt(db.get(), "INSERT INTO inventory (card_id, condition) VALUES (?, 'Mint');", error);
    ASSERT_TRUE(insert) << error;
    BindText(insert.get(), 1, std::string_view());
    ASSERT_TRUE(StepDone(insert.get(), error)) << error;
    insert.reset();
    db.reset();
    EXPECT_EQ(Query("SELECT typeof(card_id) || ':' || card_id FROM inventory;"),
              std::vector<std::string>{"text:"});
}

TEST_F(SchemaTest, ATransactionNotCommittedLeavesNothingBehind)
{
    std::string error;
    DbHandle db;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
    {
        Transaction tx;
        ASSERT_TRUE(tx.Begin(db.get(), error)) << error;
        ASSERT_TRUE(ExecSql(db.get(), "INSERT INTO inventory (card_id, condition) VALUES ('a', 'Mint');", error));
        // Leaves scope on an error path without committing.
    }
    {
        Transaction tx;
        ASSERT_TRUE(tx.Begin(db.get(), error, "BEGIN IMMEDIATE;")) << error;
        ASSERT_TRUE(ExecSql(db.get(), "INSERT INTO inventory (card_id, condition) VALUES ('b', 'Mint');", error));
        ASSERT_TRUE(tx.Commit(error)) << error;
    }
    db.reset();
    EXPECT_EQ(Query("SELECT card_id FROM inventory;"), std::vector<std::string>{"b"});
}
