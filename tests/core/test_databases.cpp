#include "tests/core/test_databases.h"

#include "core/db.h"
#include "core/schema.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

void RunSql(const std::wstring& path, const char* sql)
{
    DbHandle db;
    std::string error;
    ASSERT_TRUE(OpenDb(path, db, error)) << error;
    ASSERT_TRUE(ExecSql(db.get(), sql, error)) << error;
}

void MakeDatabaseAt(const std::wstring& path, int version)
{
    if (version == 0) {
        RunSql(path, "CREATE TABLE inventory (inv_id INTEGER PRIMARY KEY AUTOINCREMENT, card_id TEXT NOT NULL, "
                     "condition TEXT NOT NULL, price REAL, qty INTEGER NOT NULL DEFAULT 1);");
        return;
    }
    RunSql(path, "CREATE TABLE inventory (  inv_id    INTEGER PRIMARY KEY AUTOINCREMENT,  card_id   TEXT    NOT "
                 "NULL,  variant   TEXT    NOT NULL DEFAULT 'Standard',  condition TEXT    NOT NULL,  price     "
                 "REAL,  qty       INTEGER NOT NULL DEFAULT 1,  UNIQUE(card_id, variant, condition));"
                 "PRAGMA user_version = 1;");
    DbHandle db;
    std::string error;
    ASSERT_TRUE(OpenDb(path, db, error)) << error;
    bool (*const steps[])(sqlite3*, std::string&) = {MigrateToV2, MigrateToV3, MigrateToV4, MigrateToV5,
                                                     MigrateToV6};
    for (int v = 2; v <= version; ++v)
        ASSERT_TRUE(steps[v - 2](db.get(), error)) << error;
}

std::vector<std::string> QueryRows(const std::wstring& path, const char* sql)
{
    std::vector<std::string> rows;
    DbHandle db;
    std::string error;
    EXPECT_TRUE(OpenDb(path, db, error)) << error;
    StmtHandle stmt = PrepareStmt(db.get(), sql, error);
    EXPECT_TRUE(stmt) << error;
    if (!stmt)
        return rows;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(stmt.get()); ++c) {
            const unsigned char* text = sqlite3_column_text(stmt.get(), c);
            row += (c ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::wstring> ListFiles(const std::wstring& folder)
{
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files.push_back(name + L"\\");
            for (const std::wstring& inner : ListFiles(folder + L"\\" + name))
                files.push_back(name + L"\\" + inner);
        } else {
            files.push_back(name + L" " + std::to_wstring(found.nFileSizeLow));
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}
