// A ready database in the test's own folder, with plain SQL access to it.
#pragma once

#include "core/db.h"
#include "core/schema.h"
#include "tests/support/test_folder.h"

#include <string>
#include <vector>

class LedgerDbTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        std::string error;
        ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
    }

    void TearDown() override
    {
        db.reset();
        DataFolderTest::TearDown();
    }

    void Exec(const char* sql)
    {
        std::string error;
        ASSERT_TRUE(ExecSql(db.get(), sql, error)) << error;
    }

    // Each row as its columns joined by '|', NULL written as "NULL".
    std::vector<std::string> Rows(const char* sql)
    {
        std::vector<std::string> rows;
        std::string error;
        StmtHandle stmt = PrepareStmt(db.get(), sql, error);
        EXPECT_TRUE(stmt) << error;
        if (!stmt)
            return rows;
        EXPECT_TRUE(ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
            std::string text;
            for (int c = 0; c < sqlite3_column_count(row); ++c) {
                const unsigned char* value = sqlite3_column_text(row, c);
                text += (c ? "|" : "") + std::string(value ? reinterpret_cast<const char*>(value) : "NULL");
            }
            rows.push_back(text);
        })) << error;
        return rows;
    }

    // Everything both ledgers hold, ids included.
    std::vector<std::string> BothLedgers()
    {
        std::vector<std::string> rows = Rows("SELECT 'coll', coll_id, card_id, variant, condition, qty FROM "
                                             "collection ORDER BY coll_id;");
        for (std::string& row : Rows("SELECT 'sale', inv_id, card_id, variant, condition, qty, price FROM "
                                     "inventory ORDER BY inv_id;"))
            rows.push_back(row);
        return rows;
    }

    DbHandle db;
};
