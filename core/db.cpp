#include "core/db.h"

#include "core/paths.h"
#include "core/text.h"

namespace {

std::wstring databasePath;

// Runs a query that yields at most one row and reports whether it did.
bool QueryHasRow(sqlite3_stmt* stmt, bool& hasRow, std::string& error)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        hasRow = rc == SQLITE_ROW;
        return true;
    }
    error = sqlite3_errmsg(sqlite3_db_handle(stmt));
    return false;
}

} // namespace

void SetDatabasePath(const std::wstring& path)
{
    databasePath = path;
}

const std::wstring& DatabasePath()
{
    return databasePath;
}

std::wstring DataFolder()
{
    return FolderOfPath(databasePath);
}

bool OpenDb(const std::wstring& path, DbHandle& db, std::string& error)
{
    db.reset();
    // SQLite takes an empty name for a private temporary database, which
    // would accept every write and lose it at close.
    if (path.empty()) {
        error = "could not open database";
        return false;
    }
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(WideToUtf8(path).c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    DbHandle opened(raw);
    if (rc != SQLITE_OK) {
        error = raw ? sqlite3_errmsg(raw) : "could not open database";
        return false;
    }
    sqlite3_busy_timeout(raw, 3000);
    db = std::move(opened);
    return true;
}

bool ExecSql(sqlite3* db, const char* sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : "SQL error";
    sqlite3_free(message);
    return false;
}

StmtHandle PrepareStmt(sqlite3* db, const char* sql, std::string& error)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        sqlite3_finalize(stmt);
        return StmtHandle();
    }
    return StmtHandle(stmt);
}

bool GetUserVersion(sqlite3* db, int& version, std::string& error)
{
    StmtHandle stmt = PrepareStmt(db, "PRAGMA user_version;", error);
    if (!stmt)
        return false;
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW) {
        version = sqlite3_column_int(stmt.get(), 0);
        return true;
    }
    error = rc == SQLITE_DONE ? "could not read the schema version" : sqlite3_errmsg(db);
    return false;
}

bool TableExists(sqlite3* db, const char* table, bool& exists, std::string& error)
{
    StmtHandle stmt = PrepareStmt(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?;", error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 1, table);
    return QueryHasRow(stmt.get(), exists, error);
}

bool ColumnExists(sqlite3* db, const char* table, const char* column, bool& exists, std::string& error)
{
    StmtHandle stmt = PrepareStmt(db, "SELECT 1 FROM pragma_table_info(?) WHERE name=? LIMIT 1;", error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 1, table);
    BindText(stmt.get(), 2, column);
    return QueryHasRow(stmt.get(), exists, error);
}

void BindText(sqlite3_stmt* stmt, int index, std::string_view text)
{
    // A null pointer would bind NULL, and an empty text must stay ''.
    sqlite3_bind_text(stmt, index, text.data() ? text.data() : "", static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

bool StepDone(sqlite3_stmt* stmt, std::string& error)
{
    if (sqlite3_step(stmt) == SQLITE_DONE)
        return true;
    error = sqlite3_errmsg(sqlite3_db_handle(stmt));
    return false;
}

std::string ColumnTextString(sqlite3_stmt* stmt, int column)
{
    const unsigned char* text = sqlite3_column_text(stmt, column);
    const int bytes = sqlite3_column_bytes(stmt, column);
    if (!text || bytes <= 0)
        return std::string();
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes));
}

std::wstring ColumnTextW(sqlite3_stmt* stmt, int column)
{
    return Utf8ToWide(ColumnTextString(stmt, column));
}

bool Transaction::Begin(sqlite3* db, std::string& error, const char* beginSql)
{
    Rollback();
    if (!ExecSql(db, beginSql, error))
        return false;
    db_ = db;
    return true;
}

bool Transaction::Commit(std::string& error)
{
    if (!db_)
        return false;
    if (!ExecSql(db_, "COMMIT;", error)) {
        Rollback();
        return false;
    }
    db_ = nullptr;
    return true;
}

void Transaction::Rollback()
{
    if (!db_)
        return;
    std::string ignored;
    ExecSql(db_, "ROLLBACK;", ignored);
    db_ = nullptr;
}
