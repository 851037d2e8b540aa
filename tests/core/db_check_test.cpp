#include "core/db_check.h"

#include "core/db.h"
#include "core/schema.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <functional>
#include <random>

namespace {

int hookCalls = 0;

bool CountingHook(std::string&)
{
    ++hookCalls;
    return true;
}

class DbCheckTest : public DataFolderTest {
protected:
    std::wstring Candidate() const { return folder.File(L"candidate.db"); }
};

// A current database of a hundred or so pages.
void MakeFilledDatabase(const std::wstring& path)
{
    MakeDatabaseAt(path, 6);
    RunSql(path, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                 "INSERT INTO inventory (card_id, condition, price, qty) "
                 "SELECT 'card-' || i || '-' || hex(randomblob(40)), 'Mint', i / 4.0, i FROM n;");
}

std::string RandomBytes(size_t count)
{
    std::mt19937 random(20240607);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xff);
    return bytes;
}

} // namespace

TEST_F(DbCheckTest, EachRefusalHasItsOwnMessageAndNothingIsWritten)
{
    const std::string kNewer = "it was created by a newer version of the app (schema v7; this build understands up "
                               "to v6)";
    struct Case {
        const char* name;
        std::function<void(const std::wstring&)> make;
        const char* expected; // null: the file is valid
    };
    const Case cases[] = {
        {"missing file", [](const std::wstring&) {}, "unable to open database file"},
        {"text file named .db",
         [](const std::wstring& p) { WriteFileBytes(p, "card_id,qty\r\nbase1-4,2\r\n"); },
         "not a valid SQLite database"},
        {"random bytes", [](const std::wstring& p) { WriteFileBytes(p, RandomBytes(8192)); },
         "not a valid SQLite database"},
        // SQLite finds a file shorter than its header says when it reads the
        // schema, so the check cannot even be prepared.
        {"truncated database",
         [](const std::wstring& p) {
             MakeFilledDatabase(p);
             const std::string bytes = ReadFileBytes(p);
             WriteFileBytes(p, bytes.substr(0, bytes.size() / 2));
         },
         "not a valid SQLite database"},
        {"damaged page",
         [](const std::wstring& p) {
             MakeFilledDatabase(p);
             std::string bytes = ReadFileBytes(p);
             ASSERT_GT(bytes.size(), 61u * 4096);
             bytes.replace(60 * 4096 + 8, 300, std::string(300, '\xff'));
             WriteFileBytes(p, bytes);
         },
         "the database failed an integrity check"},
        {"sound version 7",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "PRAGMA user_version = 7;");
         },
         kNewer.c_str()},
        {"negative version",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "PRAGMA user_version = -1;");
         },
         "it has an unknown schema version (v-1); this build understands v0 to v6"},
        {"no inventory table",
         [](const std::wstring& p) { RunSql(p, "CREATE TABLE sales (sale_id INTEGER PRIMARY KEY);"); },
         "it is not a Binderwell database (no inventory table)"},
        {"version 0 without inv_id",
         [](const std::wstring& p) {
             RunSql(p, "CREATE TABLE inventory (card_id TEXT, condition TEXT, qty INTEGER, price REAL);");
         },
         "it is not a Binderwell database (inventory table has no 'inv_id' column)"},
        {"version 1 without qty",
         [](const std::wstring& p) {
             RunSql(p, "CREATE TABLE inventory (inv_id INTEGER PRIMARY KEY, card_id TEXT, variant TEXT, "
                       "condition TEXT, price REAL);PRAGMA user_version = 1;");
         },
         "it is not a Binderwell database (inventory table has no 'qty' column)"},
        {"version 1 without variant and qty",
         [](const std::wstring& p) {
             RunSql(p, "CREATE TABLE inventory (inv_id INTEGER PRIMARY KEY, card_id TEXT, condition TEXT, "
                       "price REAL);PRAGMA user_version = 1;");
         },
         "it is not a Binderwell database (inventory table has no 'variant' column)"},
        {"version 2 without sales",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 1);
             RunSql(p, "PRAGMA user_version = 2;");
         },
         "the backup's schema version says v2+ but its sales table is missing (file looks corrupt)"},
        {"version 3 without card_location",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 2);
             RunSql(p, "PRAGMA user_version = 3;");
         },
         "the backup's schema version says v3+ but its card_location table is missing (file looks corrupt)"},
        {"version 4 without batch_id",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 3);
             RunSql(p, "PRAGMA user_version = 4;");
         },
         "the backup's schema version says v4 but sales.batch_id is missing (file looks corrupt)"},
        {"version 5 with collection but no variant_location",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 4);
             RunSql(p, "CREATE TABLE collection (coll_id INTEGER PRIMARY KEY);PRAGMA user_version = 5;");
         },
         "the backup's schema version says v5+ but its collection/variant_location tables are missing (file "
         "looks corrupt)"},
        {"version 6 without card_flags",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "DROP TABLE card_flags;");
         },
         "the backup's schema version says v6 but its card_flags table is missing (file looks corrupt)"},
        {"version 0 with only its inventory", [](const std::wstring& p) { MakeDatabaseAt(p, 0); }, nullptr},
        {"version 3 without batch_id", [](const std::wstring& p) { MakeDatabaseAt(p, 3); }, nullptr},
        {"version 6 without the catalogue",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "INSERT INTO sales (card_id, condition, qty, price, sold_at, batch_id) "
                       "VALUES ('base1-4', 'Mint', 1, 250, '2024-06-01 10:00:00', 1);");
         },
         nullptr},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(Candidate().c_str());
        c.make(Candidate());
        const std::string before = ReadFileBytes(Candidate());
        const std::vector<std::wstring> filesBefore = ListFiles(folder.Path());

        std::string error;
        const bool valid = ValidateDatabaseFile(Candidate(), error);
        if (c.expected) {
            EXPECT_FALSE(valid);
            EXPECT_EQ(error, c.expected);
        } else {
            EXPECT_TRUE(valid) << error;
            EXPECT_EQ(error, "");
        }
        EXPECT_EQ(ReadFileBytes(Candidate()), before);
        EXPECT_EQ(ListFiles(folder.Path()), filesBefore);
    }
}

TEST_F(DbCheckTest, TheUpgradeProbeAgreesWithTheOpenThatFollows)
{
    struct Case {
        const char* name;
        std::function<void(const std::wstring&)> make;
        bool due;
        int version;
    };
    const Case cases[] = {
        {"missing file", [](const std::wstring&) {}, false, -1},
        {"not a database", [](const std::wstring& p) { WriteFileBytes(p, std::string(4096, 'j')); }, false, -1},
        {"version 0 of the oldest builds", [](const std::wstring& p) { MakeDatabaseAt(p, 0); }, true, 0},
        {"version 2", [](const std::wstring& p) { MakeDatabaseAt(p, 2); }, true, 2},
        {"version 5", [](const std::wstring& p) { MakeDatabaseAt(p, 5); }, true, 5},
        {"version 6", [](const std::wstring& p) { MakeDatabaseAt(p, 6); }, false, 6},
        {"version 8",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "PRAGMA user_version = 8;");
         },
         false, 8},
        {"version 3 without its inventory",
         [](const std::wstring& p) { RunSql(p, "CREATE TABLE sales (x);PRAGMA user_version = 3;"); }, false, 3},
    };

    SetPreMigrationBackupHook(CountingHook);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(DatabasePath().c_str());
        c.make(DatabasePath());
        const bool existed = FileExists(DatabasePath());
        const std::string before = ReadFileBytes(DatabasePath());
        const std::vector<std::wstring> filesBefore = ListFiles(folder.Path());

        int version = 12345;
        EXPECT_EQ(DbNeedsUpgrade(version), c.due);
        EXPECT_EQ(version, c.version);
        EXPECT_EQ(FileExists(DatabasePath()), existed);
        EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
        EXPECT_EQ(ListFiles(folder.Path()), filesBefore);

        // What the probe foretold is what the open does: the pre-migration
        // backup runs exactly when an upgrade was due.
        hookCalls = 0;
        DbHandle db;
        std::string error;
        OpenReadyDb(DatabasePath(), db, error);
        EXPECT_EQ(hookCalls, c.due ? 1 : 0);
    }
}
