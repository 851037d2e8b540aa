#include "core/schema.h"

#include "core/log.h"

namespace {

PreMigrationBackupFn PreMigrationBackupHook = nullptr;

// SQLite keeps each table's creating statement verbatim in the file, so these
// texts, runs of spaces included, are part of the file format.
constexpr const char kCreateInventory[] =
    "CREATE TABLE inventory (  inv_id    INTEGER PRIMARY KEY AUTOINCREMENT,  card_id   TEXT    NOT NULL,  "
    "variant   TEXT    NOT NULL DEFAULT 'Standard',  condition TEXT    NOT NULL,  price     REAL,  qty       "
    "INTEGER NOT NULL DEFAULT 1,  UNIQUE(card_id, variant, condition));";

constexpr const char kInventoryToV1[] =
    "BEGIN;CREATE TABLE inventory_v1 (  inv_id    INTEGER PRIMARY KEY AUTOINCREMENT,  card_id   TEXT    NOT "
    "NULL,  variant   TEXT    NOT NULL DEFAULT 'Standard',  condition TEXT    NOT NULL,  price     REAL,  qty "
    "      INTEGER NOT NULL DEFAULT 1,  UNIQUE(card_id, variant, condition));INSERT INTO inventory_v1 (inv_id, "
    "card_id, variant, condition, price, qty)   SELECT inv_id, card_id, 'Standard', condition, price, qty FROM "
    "inventory;DROP TABLE inventory;ALTER TABLE inventory_v1 RENAME TO inventory;PRAGMA user_version = "
    "1;COMMIT;";

constexpr const char kToV2[] =
    "BEGIN;"
    "CREATE TABLE sales (  sale_id   INTEGER PRIMARY KEY AUTOINCREMENT,  card_id   TEXT    NOT NULL,  variant   "
    "TEXT    NOT NULL DEFAULT 'Standard',  condition TEXT    NOT NULL,  qty       INTEGER NOT NULL,  price     "
    "REAL,  sold_at   TEXT    NOT NULL,  channel   TEXT    NOT NULL DEFAULT 'Other');"
    "PRAGMA user_version = 2;COMMIT;";

constexpr const char kToV3[] =
    "BEGIN;"
    "CREATE TABLE card_location (  card_id  TEXT PRIMARY KEY,  location TEXT NOT NULL DEFAULT '');"
    "PRAGMA user_version = 3;COMMIT;";

// Every older sale becomes a batch of its own.
constexpr const char kToV4[] =
    "BEGIN;"
    "ALTER TABLE sales ADD COLUMN batch_id INTEGER;"
    "UPDATE sales SET batch_id = sale_id WHERE batch_id IS NULL;"
    "PRAGMA user_version = 4;COMMIT;";

// A located card with sale stock keeps its location for every variant it
// holds; one without sale stock keeps it for 'Standard'.
constexpr const char kToV5[] =
    "BEGIN;"
    "CREATE TABLE collection (  coll_id   INTEGER PRIMARY KEY AUTOINCREMENT,  card_id   TEXT    NOT NULL,  "
    "variant   TEXT    NOT NULL DEFAULT 'Standard',  condition TEXT    NOT NULL,  qty       INTEGER NOT NULL "
    "DEFAULT 1,  UNIQUE(card_id, variant, condition));"
    "CREATE TABLE variant_location (  ledger   TEXT NOT NULL,  card_id  TEXT NOT NULL,  variant  TEXT NOT NULL "
    "DEFAULT 'Standard',  location TEXT NOT NULL DEFAULT ''  , PRIMARY KEY (ledger, card_id, variant));"
    "INSERT OR IGNORE INTO variant_location (ledger, card_id, variant, location) SELECT 'sale', cl.card_id, "
    "i.variant, cl.location FROM card_location cl JOIN inventory i ON i.card_id = cl.card_id WHERE cl.location "
    "<> '';"
    "INSERT OR IGNORE INTO variant_location (ledger, card_id, variant, location) SELECT 'sale', cl.card_id, "
    "'Standard', cl.location FROM card_location cl WHERE cl.location <> '' AND NOT EXISTS (SELECT 1 FROM "
    "inventory i WHERE i.card_id = cl.card_id);"
    "PRAGMA user_version = 5;COMMIT;";

constexpr const char kToV6[] =
    "BEGIN;"
    "CREATE TABLE card_flags (  card_id  TEXT    NOT NULL PRIMARY KEY,  want     INTEGER NOT NULL DEFAULT 0,  "
    "tradable INTEGER NOT NULL DEFAULT 0);"
    "PRAGMA user_version = 6;COMMIT;";

// Runs a whole "BEGIN; ... COMMIT;" text; on failure rolls back whatever of
// it ran and keeps the first error.
bool RunTransaction(sqlite3* db, const char* sql, std::string& error)
{
    if (ExecSql(db, sql, error))
        return true;
    std::string ignored;
    ExecSql(db, "ROLLBACK;", ignored);
    return false;
}

bool RunStep(sqlite3* db, const char* sql, const char* logLine, std::string& error)
{
    if (!RunTransaction(db, sql, error))
        return false;
    Log("%s", logLine);
    return true;
}

bool RunPreMigrationBackup(int version, std::string& error)
{
    std::string reason;
    bool ok = false;
    if (!PreMigrationBackupHook) {
        reason = "internal error: no pre-migration backup handler is installed";
    } else {
        ok = PreMigrationBackupHook(version, reason);
        if (!ok && reason.empty())
            reason = "a required automatic backup could not be made, so the database upgrade was not run";
    }
    if (ok) {
        Log("Pre-migration backup OK; upgrading from schema v%d to v%d", version, SchemaVersion);
        return true;
    }
    Log("Pre-migration backup failed; upgrade from schema v%d BLOCKED: %s", version, reason.c_str());
    error = reason;
    return false;
}

} // namespace

void SetPreMigrationBackupHook(PreMigrationBackupFn hook)
{
    PreMigrationBackupHook = hook;
}

bool MigrateToV2(sqlite3* db, std::string& error)
{
    return RunStep(db, kToV2, "Database migrated to schema v2 (added sales ledger table)", error);
}

bool MigrateToV3(sqlite3* db, std::string& error)
{
    return RunStep(db, kToV3, "Database migrated to schema v3 (added card_location table)", error);
}

bool MigrateToV4(sqlite3* db, std::string& error)
{
    return RunStep(db, kToV4, "Database migrated to schema v4 (added sales.batch_id)", error);
}

bool MigrateToV5(sqlite3* db, std::string& error)
{
    return RunStep(db, kToV5,
                   "Database migrated to schema v5 (added collection + variant_location; migrated card_location "
                   "-> per-variant sale locations)",
                   error);
}

bool MigrateToV6(sqlite3* db, std::string& error)
{
    return RunStep(db, kToV6, "Database migrated to schema v6 (added card_flags for Want/Trade)", error);
}

bool InventoryNeedsVariantColumn(sqlite3* db, bool& needs, std::string& error)
{
    bool hasInventory = false;
    if (!TableExists(db, "inventory", hasInventory, error))
        return false;
    bool hasVariant = false;
    if (hasInventory && !ColumnExists(db, "inventory", "variant", hasVariant, error))
        return false;
    needs = hasInventory && !hasVariant;
    return true;
}

bool IsSchemaUpgradeDue(int version, bool hasInventory, bool inventoryNeedsVariant)
{
    if (version >= 1 && version < SchemaVersion)
        return hasInventory;
    return version == 0 && inventoryNeedsVariant;
}

bool EnsureSchema(sqlite3* db, std::string& error)
{
    int version = 0;
    if (!GetUserVersion(db, version, error))
        return false;
    if (version > SchemaVersion) {
        error = "This database was created by a newer version of the app (schema v" + std::to_string(version) +
                "; this build understands up to v" + std::to_string(SchemaVersion) + "). Update the app to open it.";
        return false;
    }
    if (version < 0) {
        error = "This database has an unknown schema version (v" + std::to_string(version) +
                "); this build understands v0 to v" + std::to_string(SchemaVersion) + ". It was not opened.";
        return false;
    }

    bool hasInventory = false;
    if (!TableExists(db, "inventory", hasInventory, error))
        return false;
    // Only a version-0 file may be a new one; a later version without its
    // stock table is damaged, and rewinding it to version 1 would hide that.
    if (!hasInventory && version > 0) {
        error = "the database is at schema v" + std::to_string(version) +
                " but has no inventory table, so it was not opened";
        return false;
    }
    // Only a version-0 file can lack the variant column; a file that is up
    // to date costs no further query.
    bool needsVariant = false;
    if (version == 0 && !InventoryNeedsVariantColumn(db, needsVariant, error))
        return false;

    if (IsSchemaUpgradeDue(version, hasInventory, needsVariant) && !RunPreMigrationBackup(version, error))
        return false;

    if (!hasInventory) {
        if (!ExecSql(db, kCreateInventory, error) || !ExecSql(db, "PRAGMA user_version = 1;", error))
            return false;
    }

    if (!GetUserVersion(db, version, error))
        return false;
    if (version < 1 && needsVariant) {
        if (!RunTransaction(db, kInventoryToV1, error))
            return false;
        Log("Inventory migrated to schema v1 (added variant column)");
    }
    if (version < 2 && !MigrateToV2(db, error))
        return false;
    if (version < 3 && !MigrateToV3(db, error))
        return false;
    if (version < 4 && !MigrateToV4(db, error))
        return false;
    if (version < 5 && !MigrateToV5(db, error))
        return false;
    if (version < 6 && !MigrateToV6(db, error))
        return false;
    return true;
}

bool OpenReadyDb(const std::wstring& path, DbHandle& db, std::string& error)
{
    DbHandle opened;
    if (!OpenDb(path, opened, error))
        return false;
    if (!EnsureSchema(opened.get(), error))
        return false;
    db = std::move(opened);
    return true;
}
