#include "core/db_check.h"

#include "core/db.h"
#include "core/schema.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <functional>

namespace {

int hookCalls = 0;

bool CountingHook(int, std::string&)
{
    ++hookCalls;
    return true;
}

using Maker = std::function<void(const std::wstring&)>;

Maker At(int version, const char* sql = "")
{
    return [=](const std::wstring& p) {
        if (version >= 0)
            MakeDatabaseAt(p, version);
        if (*sql)
            RunSql(p, sql);
    };
}

// A current database of a hundred or so pages, cut in half or with one page
// overwritten.
Maker Damaged(bool truncate)
{
    return [=](const std::wstring& p) {
        At(6, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
              "INSERT INTO inventory (card_id, condition, price, qty) "
              "SELECT 'card-' || i || '-' || hex(randomblob(40)), 'Mint', i / 4.0, i FROM n;")(p);
        std::string bytes = ReadFileBytes(p);
        if (truncate)
            bytes.resize(bytes.size() / 2);
        else
            bytes.replace(60 * 4096 + 8, 300, std::string(300, '\xff'));
        WriteFileBytes(p, bytes);
    };
}

void CutLastByte(const std::wstring& p)
{
    std::string bytes = ReadFileBytes(p);
    bytes.pop_back();
    WriteFileBytes(p, bytes);
}

// A header page count larger than the file, left stale the way writers
// older than the count's introduction left it: its version-valid-for number
// no longer matches the change counter, so SQLite ignores the count.
void StalePageCount(const std::wstring& p)
{
    std::string bytes = ReadFileBytes(p);
    bytes.replace(28, 4, std::string("\x00\x00\x10\x00", 4));
    bytes[95] = static_cast<char>(bytes[27] + 1);
    WriteFileBytes(p, bytes);
}

const int kNotProbed = -2;

class DbCheckTest : public DataFolderTest {};

} // namespace

// The check and the probe write nothing, the open backs up exactly when the
// probe said so, and a file the open refuses is left as it was.
TEST_F(DbCheckTest, TheCheckAndTheUpgradeProbeAgreeWithTheOpen)
{
    const struct {
        const char* name;
        Maker make;
        bool valid;
        int version; // what the probe reads; kNotProbed: the file is only checked
        bool due;
        bool opens;
    } cases[] = {
        {"missing file", [](const std::wstring&) {}, false, -1, false, true},
        {"not a database", [](const std::wstring& p) { WriteFileBytes(p, std::string(4096, 'j')); }, false, -1,
         false, false},
        {"truncated database", Damaged(true), false, kNotProbed, false, false},
        {"damaged page", Damaged(false), false, kNotProbed, false, false},
        {"no inventory table", At(-1, "CREATE TABLE sales (sale_id INTEGER);"), false, kNotProbed, false, false},
        {"version 4 without batch_id", At(3, "PRAGMA user_version = 4;"), false, kNotProbed, false, false},
        {"version 0", At(0), true, 0, true, true},
        {"version 3 without batch_id", At(3), true, 3, true, true},
        {"version 6", At(6), true, 6, false, true},
        {"version 7", At(6, "PRAGMA user_version = 7;"), false, 7, false, false},
        // Every table a version has is checked for the columns its migration
        // gave it, not the inventory alone.
        {"version 2 sales without sold_at",
         At(1, "CREATE TABLE sales (sale_id INTEGER PRIMARY KEY, card_id TEXT, variant TEXT, condition TEXT, "
               "qty INTEGER, price REAL, channel TEXT);PRAGMA user_version = 2;"),
         false, kNotProbed, false, false},
        {"version 6 collection without qty", At(6, "ALTER TABLE collection RENAME COLUMN qty TO quantity;"), false,
         kNotProbed, false, false},
        {"version 6 card_flags without tradable", At(6, "ALTER TABLE card_flags RENAME COLUMN tradable TO trade;"),
         false, kNotProbed, false, false},
        // A file one byte short of the pages its header counts would lose a
        // byte of its last row; a count SQLite itself ignores is no proof.
        {"one byte short", [](const std::wstring& p) { At(6)(p); CutLastByte(p); }, false, kNotProbed, false,
         false},
        {"stale page count", [](const std::wstring& p) { At(6)(p); StalePageCount(p); }, true, 6, false, true},
        // Opening a WAL-mode file would create its -wal and -shm; the check
        // must refuse it without opening it.
        {"WAL mode", At(6, "PRAGMA journal_mode = WAL;"), false, kNotProbed, false, false},
    };

    SetPreMigrationBackupHook(CountingHook);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(DatabasePath().c_str());
        c.make(DatabasePath());
        const bool existed = FileExists(DatabasePath());
        const std::string before = ReadFileBytes(DatabasePath());
        const std::vector<std::wstring> filesBefore = ListFiles(folder.Path());

        std::string error;
        EXPECT_EQ(ValidateDatabaseFile(DatabasePath(), error), c.valid) << error;
        int version = 12345;
        if (c.version != kNotProbed) {
            EXPECT_EQ(DbNeedsUpgrade(version), c.due);
            EXPECT_EQ(version, c.version);
        }
        EXPECT_EQ(FileExists(DatabasePath()), existed);
        EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
        EXPECT_EQ(ListFiles(folder.Path()), filesBefore);
        if (c.version == kNotProbed)
            continue;

        hookCalls = 0;
        DbHandle db;
        EXPECT_EQ(OpenReadyDb(DatabasePath(), db, error), c.opens) << error;
        db.reset();
        EXPECT_EQ(hookCalls, c.due ? 1 : 0);
        if (!c.opens) {
            EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
        }
    }
}

// A file another program holds is in use, not broken, whichever check meets
// the lock; once the lock is gone the same file passes.
TEST_F(DbCheckTest, ALockedFileIsReportedInUseNotInvalid)
{
    MakeDatabaseAt(DatabasePath(), 6);
    DbHandle holder;
    std::string error;
    ASSERT_TRUE(OpenDb(DatabasePath(), holder, error)) << error;
    ASSERT_TRUE(ExecSql(holder.get(), "BEGIN EXCLUSIVE;", error)) << error;

    error.clear();
    EXPECT_FALSE(ValidateDatabaseFile(DatabasePath(), error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;

    ASSERT_TRUE(ExecSql(holder.get(), "ROLLBACK;", error)) << error;
    EXPECT_TRUE(ValidateDatabaseFile(DatabasePath(), error)) << error;
}
