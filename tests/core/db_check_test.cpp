#include "core/db_check.h"

#include "core/db.h"
#include "core/schema.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <functional>

namespace {

int hookCalls = 0;

bool CountingHook(std::string&)
{
    ++hookCalls;
    return true;
}

using Maker = std::function<void(const std::wstring&)>;

// A file at a version, then some SQL on it.
Maker At(int version, const char* sql = "")
{
    return [=](const std::wstring& p) {
        if (version >= 0)
            MakeDatabaseAt(p, version);
        if (*sql)
            RunSql(p, sql);
    };
}

// Fills a current database to a hundred or so pages.
const char* const kFill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                          "INSERT INTO inventory (card_id, condition, price, qty) "
                          "SELECT 'card-' || i || '-' || hex(randomblob(40)), 'Mint', i / 4.0, i FROM n;";

class DbCheckTest : public DataFolderTest {};

} // namespace

TEST_F(DbCheckTest, EachRefusalHasItsOwnMessageAndNothingIsWritten)
{
    const std::wstring candidate = folder.File(L"candidate.db");
    const struct {
        const char* name;
        Maker make;
        std::string expected; // empty: the file is valid
    } cases[] = {
        {"truncated database",
         [](const std::wstring& p) {
             At(6, kFill)(p);
             const std::string bytes = ReadFileBytes(p);
             WriteFileBytes(p, bytes.substr(0, bytes.size() / 2));
         },
         "not a valid SQLite database"},
        {"damaged page",
         [](const std::wstring& p) {
             At(6, kFill)(p);
             std::string bytes = ReadFileBytes(p);
             ASSERT_GT(bytes.size(), 61u * 4096);
             bytes.replace(60 * 4096 + 8, 300, std::string(300, '\xff'));
             WriteFileBytes(p, bytes);
         },
         "the database failed an integrity check"},
        {"version 7", At(6, "PRAGMA user_version = 7;"),
         "it was created by a newer version of the app (schema v7; this build understands up to v6)"},
        {"negative version", At(6, "PRAGMA user_version = -1;"),
         "it has an unknown schema version (v-1); this build understands v0 to v6"},
        {"no inventory table", At(-1, "CREATE TABLE sales (sale_id INTEGER PRIMARY KEY);"),
         "it is not a Binderwell database (no inventory table)"},
        {"version 1 without qty",
         At(-1, "CREATE TABLE inventory (inv_id INTEGER PRIMARY KEY, card_id TEXT, variant TEXT, "
                "condition TEXT, price REAL);PRAGMA user_version = 1;"),
         "it is not a Binderwell database (inventory table has no 'qty' column)"},
        {"version 4 without batch_id", At(3, "PRAGMA user_version = 4;"),
         "the backup's schema version says v4 but sales.batch_id is missing (file looks corrupt)"},
        {"version 0 with only its inventory", At(0), ""},
        {"version 3 without batch_id", At(3), ""},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(candidate.c_str());
        c.make(candidate);
        const std::string before = ReadFileBytes(candidate);
        const std::vector<std::wstring> filesBefore = ListFiles(folder.Path());

        std::string error;
        EXPECT_EQ(ValidateDatabaseFile(candidate, error), c.expected.empty()) << error;
        EXPECT_EQ(error, c.expected);
        EXPECT_EQ(ReadFileBytes(candidate), before);
        EXPECT_EQ(ListFiles(folder.Path()), filesBefore);
    }
}

// The probe neither writes nor guesses, the open backs up exactly when the
// probe said so, and a file the open refuses is left as it was.
TEST_F(DbCheckTest, TheUpgradeProbeAgreesWithTheOpenThatFollows)
{
    const struct {
        const char* name;
        Maker make;
        bool due;
        int version;
        const char* refused; // part of the open's error; null: it opens
    } cases[] = {
        {"missing file", [](const std::wstring&) {}, false, -1, nullptr},
        {"not a database", [](const std::wstring& p) { WriteFileBytes(p, std::string(4096, 'j')); }, false, -1,
         "file is not a database"},
        {"version 0", At(0), true, 0, nullptr},
        {"version 5", At(5), true, 5, nullptr},
        {"version 6", At(6), false, 6, nullptr},
        {"version 7", At(6, "PRAGMA user_version = 7;"), false, 7,
         "This database was created by a newer version of the app (schema v7; this build understands up to v6). "
         "Update the app to open it."},
        {"negative version", At(6, "PRAGMA user_version = -1;"), false, -1, "schema version (v-1)"},
        {"version 3 without its inventory", At(-1, "CREATE TABLE sales (x);PRAGMA user_version = 3;"), false, 3,
         "no inventory table"},
    };

    SetPreMigrationBackupHook(CountingHook);
    for (const auto& c : cases) {
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

        hookCalls = 0;
        DbHandle db;
        std::string error;
        EXPECT_EQ(OpenReadyDb(DatabasePath(), db, error), c.refused == nullptr) << error;
        db.reset();
        EXPECT_EQ(hookCalls, c.due ? 1 : 0);
        if (c.refused) {
            EXPECT_NE(error.find(c.refused), std::string::npos) << error;
            EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
        }
    }
}
