#include "core/db_check.h"

#include "core/db.h"
#include "core/schema.h"
#include "core/text.h"

namespace {

// Read-only and without SQLITE_OPEN_CREATE, so a missing file stays missing
// and nothing is ever written; no busy timeout, so a locked file answers at
// once.
bool OpenReadOnly(const std::wstring& path, DbHandle& db, std::string& error)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(WideToUtf8(path).c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    DbHandle opened(raw);
    if (rc != SQLITE_OK) {
        error = raw ? sqlite3_errmsg(raw) : "not a readable database file";
        return false;
    }
    db = std::move(opened);
    return true;
}

// Only the first row matters: "ok" alone means the check found nothing.
bool PassesQuickCheck(sqlite3* db, std::string& error)
{
    std::string ignored;
    StmtHandle stmt = PrepareStmt(db, "PRAGMA quick_check;", ignored);
    if (!stmt) {
        error = "not a valid SQLite database";
        return false;
    }
    if (sqlite3_step(stmt.get()) != SQLITE_ROW || ColumnTextString(stmt.get(), 0) != "ok") {
        error = "the database failed an integrity check";
        return false;
    }
    return true;
}

struct RequiredColumns {
    const char* columns[5];
};

// The inventory columns a file must have, in the order they are tested.
const RequiredColumns kVersion0Inventory = {{"inv_id", "card_id", "condition", "qty", "price"}};
const RequiredColumns kLaterInventory = {{"card_id", "variant", "condition", "qty", "price"}};

// What each schema version added, in the order it is tested. A null column
// asks for the table alone.
struct Requirement {
    int fromVersion;
    const char* table;
    const char* column;
    const char* missing;
};

const Requirement kRequirements[] = {
    {2, "sales", nullptr,
     "the backup's schema version says v2+ but its sales table is missing (file looks corrupt)"},
    {3, "card_location", nullptr,
     "the backup's schema version says v3+ but its card_location table is missing (file looks corrupt)"},
    {4, "sales", "batch_id", "the backup's schema version says v4 but sales.batch_id is missing (file looks corrupt)"},
    {5, "collection", nullptr,
     "the backup's schema version says v5+ but its collection/variant_location tables are missing (file looks "
     "corrupt)"},
    {5, "variant_location", nullptr,
     "the backup's schema version says v5+ but its collection/variant_location tables are missing (file looks "
     "corrupt)"},
    {6, "card_flags", nullptr,
     "the backup's schema version says v6 but its card_flags table is missing (file looks corrupt)"},
};

bool HasTableOrColumn(sqlite3* db, const char* table, const char* column, bool& present, std::string& error)
{
    return column ? ColumnExists(db, table, column, present, error) : TableExists(db, table, present, error);
}

} // namespace

bool ValidateDatabaseFile(const std::wstring& path, std::string& error)
{
    DbHandle db;
    if (!OpenReadOnly(path, db, error))
        return false;
    if (!PassesQuickCheck(db.get(), error))
        return false;

    // An unreadable version is a refusal of its own, never taken for
    // version 0: that would pass a damaged file on the lightest checks.
    int version = 0;
    if (!GetUserVersion(db.get(), version, error))
        return false;
    if (version > SchemaVersion) {
        error = "it was created by a newer version of the app (schema v" + std::to_string(version) +
                "; this build understands up to v" + std::to_string(SchemaVersion) + ")";
        return false;
    }
    if (version < 0) {
        error = "it has an unknown schema version (v" + std::to_string(version) + "); this build understands v0 to v" +
                std::to_string(SchemaVersion);
        return false;
    }

    bool present = false;
    if (!TableExists(db.get(), "inventory", present, error))
        return false;
    if (!present) {
        error = "it is not a Binderwell database (no inventory table)";
        return false;
    }
    for (const char* column : (version == 0 ? kVersion0Inventory : kLaterInventory).columns) {
        if (!ColumnExists(db.get(), "inventory", column, present, error))
            return false;
        if (!present) {
            error = std::string("it is not a Binderwell database (inventory table has no '") + column + "' column)";
            return false;
        }
    }

    for (const Requirement& required : kRequirements) {
        if (version < required.fromVersion)
            continue;
        if (!HasTableOrColumn(db.get(), required.table, required.column, present, error))
            return false;
        if (!present) {
            error = required.missing;
            return false;
        }
    }
    return true;
}

bool DbNeedsUpgrade(int& version)
{
    version = -1;
    DbHandle db;
    std::string error;
    if (!OpenReadOnly(DatabasePath(), db, error))
        return false;
    int read = 0;
    if (!GetUserVersion(db.get(), read, error))
        return false;
    version = read;

    // The same test the open makes before it calls the pre-migration hook.
    bool hasInventory = false;
    bool needsVariant = false;
    if (!TableExists(db.get(), "inventory", hasInventory, error) ||
        !InventoryNeedsVariantColumn(db.get(), needsVariant, error))
        return false;
    return IsSchemaUpgradeDue(version, hasInventory, needsVariant);
}
