// Connections and statements of the one database file, binderwell.db. Every
// operation opens its own connection, and the holders below release the
// connection and its statements on every path.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using DbHandle = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// The database file's full path; set once at start-up before any other
// thread exists, then only read.
void SetDatabasePath(const std::wstring& path);
const std::wstring& DatabasePath();
// The folder of the database, home of every other data file (settings,
// log, backups, image cache): the program folder in the program, a test's
// own folder in the tests.
std::wstring DataFolder();

// Opens (or creates) the file read-write with a busy timeout of 3000 ms.
bool OpenDb(const std::wstring& path, DbHandle& db, std::string& error);
// Runs one or more statements; no rows are read.
bool ExecSql(sqlite3* db, const char* sql, std::string& error);
// Null on failure, with SQLite's message in error.
StmtHandle PrepareStmt(sqlite3* db, const char* sql, std::string& error);

// The following answer a question about the file and return false, with
// SQLite's message, when it could not be answered: a failed read is never
// taken for "version 0" or "no such table".
bool GetUserVersion(sqlite3* db, int& version, std::string& error);
bool TableExists(sqlite3* db, const char* table, bool& exists, std::string& error);
bool ColumnExists(sqlite3* db, const char* table, const char* column, bool& exists, std::string& error);

// Binds UTF-8 text with SQLite's own copy of it.
void BindText(sqlite3_stmt* stmt, int index, std::string_view text);
// Steps a write; true only when the step finished (SQLITE_DONE), else
// SQLite's message in error.
bool StepDone(sqlite3_stmt* stmt, std::string& error);
// Steps a read to its end, handing each row to onRow; true only when the
// rows ran out (SQLITE_DONE), else SQLite's message in error, so a read
// that broke off is never taken for a complete one.
template <typename OnRow>
bool ForEachRow(sqlite3_stmt* stmt, std::string& error, OnRow&& onRow)
{
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        onRow(stmt);
    if (rc == SQLITE_DONE)
        return true;
    error = sqlite3_errmsg(sqlite3_db_handle(stmt));
    return false;
}

// The UTF-8 text of one result column; empty for NULL or no bytes.
std::string ColumnTextString(sqlite3_stmt* stmt, int column);
// The same text as a wide string.
std::wstring ColumnTextW(sqlite3_stmt* stmt, int column);

// A transaction that rolls back on every path that does not commit, so a
// write operation leaves all its rows or none. ROLLBACK's own error is
// ignored: the first error is the one worth reporting.
class Transaction {
public:
    Transaction() = default;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction() { Rollback(); }

    // "BEGIN;" or, where the read that decides the write must not go stale,
    // "BEGIN IMMEDIATE;".
    bool Begin(sqlite3* db, std::string& error, const char* beginSql = "BEGIN;");
    // On failure the transaction is rolled back.
    bool Commit(std::string& error);
    void Rollback();

private:
    sqlite3* db_ = nullptr;
};
