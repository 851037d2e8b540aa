// Brings every database this build opens to the one schema version it
// understands, after a backup copy of the file exists; refuses newer files.
#pragma once

#include "core/db.h"

#include <string>

constexpr int SchemaVersion = 6;

// Makes sure a complete backup copy of the database file exists before an
// upgrade from the given schema version changes it; returns false, with a
// reason when it has one, otherwise.
using PreMigrationBackupFn = bool (*)(int version, std::string& error);
void SetPreMigrationBackupHook(PreMigrationBackupFn hook);

// One committed step each; a failed step leaves nothing of itself behind.
bool MigrateToV2(sqlite3* db, std::string& error);
bool MigrateToV3(sqlite3* db, std::string& error);
bool MigrateToV4(sqlite3* db, std::string& error);
bool MigrateToV5(sqlite3* db, std::string& error);
bool MigrateToV6(sqlite3* db, std::string& error);

// Whether the file has the inventory table of the oldest builds, without
// its variant column.
bool InventoryNeedsVariantColumn(sqlite3* db, bool& needs, std::string& error);

// Whether opening a file in this state runs an upgrade, and so needs the
// pre-migration backup first. A file that the open refuses (newer, negative,
// a later version without its inventory) or a new, empty one is not due.
bool IsSchemaUpgradeDue(int version, bool hasInventory, bool inventoryNeedsVariant);

// True when the database is at SchemaVersion on return.
bool EnsureSchema(sqlite3* db, std::string& error);

// OpenDb, then EnsureSchema on the same connection; on failure no
// connection is left open.
bool OpenReadyDb(const std::wstring& path, DbHandle& db, std::string& error);
