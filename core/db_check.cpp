#include "core/db_check.h"

#include "core/db.h"
#include "core/schema.h"
#include "core/text.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

// What the first bytes of a database file say about it, read with the file
// system alone: SQLite would create -wal and -shm files beside a WAL-mode
// file merely by opening it, and the check must leave the file as it found
// it.
struct HeaderFacts {
    bool walMode = false;
    uint64_t fileSize = 0;
    // The size the header vouches for; 0 when it vouches for none.
    uint64_t promisedSize = 0;
};

uint32_t BigEndian32(const unsigned char* bytes)
{
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

// False when the file cannot be read or is no SQLite file at all; the open
// and the quick check then give their own reason.
bool ReadHeaderFacts(const std::wstring& path, HeaderFacts& facts)
{
    // Shared every way, so that a program holding the file open does not
    // stop the look, and the look does not stop that program.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char header[100] = {};
    DWORD read = 0;
    LARGE_INTEGER size = {};
    const bool ok = ReadFile(file, header, sizeof header, &read, nullptr) && read == sizeof header &&
                    GetFileSizeEx(file, &size);
    CloseHandle(file);
    if (!ok || std::memcmp(header, "SQLite format 3", 16) != 0)
        return false;

    facts.fileSize = static_cast<uint64_t>(size.QuadPart);
    // The file format's write and read versions: 2 means WAL.
    facts.walMode = header[18] == 2 || header[19] == 2;
    const uint32_t pageSize = header[16] == 0 && header[17] == 1 ? 65536u : (uint32_t{header[16]} << 8) | header[17];
    const bool validPageSize = pageSize >= 512 && pageSize <= 65536 && (pageSize & (pageSize - 1)) == 0;
    const uint32_t pageCount = BigEndian32(header + 28);
    // SQLite trusts the page count only when the version-valid-for number
    // matches the change counter; older writers left the count stale.
    const bool countTrusted = pageCount != 0 && std::memcmp(header + 24, header + 92, 4) == 0;
    if (validPageSize && countTrusted)
        facts.promisedSize = uint64_t{pageSize} * pageCount;
    return true;
}

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

// Another program's lock is no fault of the file: the user must hear that
// it is in use, or they would throw away a sound backup.
bool IsLocked(sqlite3* db)
{
    const int primary = sqlite3_errcode(db) & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

std::string InUseMessage(sqlite3* db)
{
    return std::string("it is in use by another program (") + sqlite3_errmsg(db) +
           "); close that program and try again";
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

// The inventory columns a file must have, in the order they are tested.
const std::initializer_list<const char*> kVersion0Inventory = {"inv_id", "card_id", "condition", "qty", "price"};
const std::initializer_list<const char*> kLaterInventory = {"card_id", "variant", "condition", "qty", "price"};

// A table that a schema version created, with every column the migration
// gave it, or a column that a later version added (missingTable null: the
// table was required before). Tested in this order.
struct Requirement {
    int fromVersion;
    // How the refusal names the version the file claims.
    const char* claim;
    const char* table;
    const char* missingTable;
    std::initializer_list<const char*> columns;
    // Null: the column message is formed from the claim and the table.
    const char* missingColumn;
};

const Requirement kRequirements[] = {
    {2, "v2+", "sales",
     "the backup's schema version says v2+ but its sales table is missing (file looks corrupt)",
     {"sale_id", "card_id", "variant", "condition", "qty", "price", "sold_at", "channel"}, nullptr},
    {3, "v3+", "card_location",
     "the backup's schema version says v3+ but its card_location table is missing (file looks corrupt)",
     {"card_id", "location"}, nullptr},
    {4, "v4", "sales", nullptr, {"batch_id"},
     "the backup's schema version says v4 but sales.batch_id is missing (file looks corrupt)"},
    {5, "v5+", "collection",
     "the backup's schema version says v5+ but its collection/variant_location tables are missing (file looks "
     "corrupt)",
     {"coll_id", "card_id", "variant", "condition", "qty"}, nullptr},
    {5, "v5+", "variant_location",
     "the backup's schema version says v5+ but its collection/variant_location tables are missing (file looks "
     "corrupt)",
     {"ledger", "card_id", "variant", "location"}, nullptr},
    {6, "v6", "card_flags",
     "the backup's schema version says v6 but its card_flags table is missing (file looks corrupt)",
     {"card_id", "want", "tradable"}, nullptr},
};

bool MeetsRequirement(sqlite3* db, const Requirement& required, std::string& error)
{
    bool present = false;
    if (required.missingTable) {
        if (!TableExists(db, required.table, present, error))
            return false;
        if (!present) {
            error = required.missingTable;
            return false;
        }
    }
    for (const char* column : required.columns) {
        if (!ColumnExists(db, required.table, column, present, error))
            return false;
        if (!present) {
            error = required.missingColumn ? std::string(required.missingColumn)
                                           : std::string("the backup's schema version says ") + required.claim +
                                                 " but its " + required.table + " table has no '" + column +
                                                 "' column (file looks corrupt)";
            return false;
        }
    }
    return true;
}

bool CheckOpenDatabase(sqlite3* db, std::string& error)
{
    if (!PassesQuickCheck(db, error))
        return false;

    // An unreadable version is a refusal of its own, never taken for
    // version 0: that would pass a damaged file on the lightest checks.
    int version = 0;
    if (!GetUserVersion(db, version, error))
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
    if (!TableExists(db, "inventory", present, error))
        return false;
    if (!present) {
        error = "it is not a Binderwell database (no inventory table)";
        return false;
    }
    for (const char* column : version == 0 ? kVersion0Inventory : kLaterInventory) {
        if (!ColumnExists(db, "inventory", column, present, error))
            return false;
        if (!present) {
            error = std::string("it is not a Binderwell database (inventory table has no '") + column + "' column)";
            return false;
        }
    }

    for (const Requirement& required : kRequirements) {
        if (version >= required.fromVersion && !MeetsRequirement(db, required, error))
            return false;
    }
    return true;
}

} // namespace

bool ValidateDatabaseFile(const std::wstring& path, std::string& error)
{
    HeaderFacts header;
    if (ReadHeaderFacts(path, header)) {
        // Rows still in its -wal would pass the check yet be lost, since a
        // restore copies the main file alone.
        if (header.walMode) {
            error = "it is in write-ahead log (WAL) mode, so part of its data may lie in a separate -wal file "
                    "that a restore would leave behind";
            return false;
        }
        // SQLite reads the missing tail of a short file as zeros, so the
        // quick check would pass a file whose last rows are cut off.
        if (header.fileSize < header.promisedSize) {
            error = "it is truncated (the file holds " + std::to_string(header.fileSize) +
                    " bytes where its header says " + std::to_string(header.promisedSize) + ")";
            return false;
        }
    }

    DbHandle db;
    if (!OpenReadOnly(path, db, error))
        return false;
    if (CheckOpenDatabase(db.get(), error))
        return true;
    // Whichever check met the lock (reading the schema, the quick check, a
    // later look), the file itself may be sound.
    if (IsLocked(db.get()))
        error = InUseMessage(db.get());
    return false;
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
