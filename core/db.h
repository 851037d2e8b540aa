// Connections and statements of the one database file, binderwell.db. Every
// operation opens its own connection, and the holders below release the
// connection and its statements on every path.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

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
