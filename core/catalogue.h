// The catalogue: one row per card of the card-data repository, the reference
// data every other table points to by card_id. It is not part of the schema
// versions: the first online update creates it, so a database without it is
// complete and every reader treats the missing table as an empty catalogue.
// Every operation works on a connection its caller opened and closes.
#pragma once

#include "core/db.h"
#include "core/json.h"
#include "core/stock.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// The table and its three indexes, in the order they are created, each run
// on its own.
inline constexpr const char* CatalogueCreateSql[] = {
    "CREATE TABLE IF NOT EXISTS catalogue (  card_id   TEXT,  name      TEXT,  set_id    TEXT,  set_name  TEXT,  "
    "series    TEXT,  number    TEXT,  set_total TEXT,  rarity    TEXT,  supertype TEXT,  img_small TEXT,  "
    "img_large TEXT);",
    "CREATE UNIQUE INDEX IF NOT EXISTS idx_catalogue_id ON catalogue(card_id);",
    "CREATE INDEX IF NOT EXISTS idx_catalogue_set  ON catalogue(set_id);",
    "CREATE INDEX IF NOT EXISTS idx_catalogue_name ON catalogue(name);",
};

// Rows are only ever added: a card whose card_id is present is ignored, so
// an existing row never changes. Prepared once by the online update and run
// per card after InsertCatalogueCard has bound it.
inline constexpr char CatalogueInsertSql[] =
    "INSERT OR IGNORE INTO catalogue (card_id,name,set_id,set_name,series,number,set_total,rarity,supertype,"
    "img_small,img_large) VALUES (?,?,?,?,?,?,?,?,?,?,?);";

// Runs the creation statements in order; the first failure stops, with
// SQLite's message. Creating what exists already changes nothing.
bool CreateCatalogueTable(sqlite3* db, std::string& error);

// Whether the catalogue table exists. Every reader of the catalogue asks
// this first and gives its empty result without the table, rather than
// "no such table". False, with SQLite's message, only when the question
// could not be answered.
bool CatalogueExists(sqlite3* db, bool& exists, std::string& error);

// What a card takes from the set-list entry of its set (UTF-8, printed
// total as text). The card's own "set" member is never read: the set list
// is the one source of a set's name and total.
struct CatalogueSetEntry {
    std::string id;
    std::string name;
    std::string series;
    std::string printedTotal;
};

// Binds the eleven parameters of CatalogueInsertSql from one card object
// of the repository and its set's entry; a missing or mistyped member is
// empty text. False, with nothing bound, when the card has no usable "id"
// (missing, not a string, or empty). The caller resets and clears the
// statement before the call and steps it after a true result.
bool InsertCatalogueCard(sqlite3_stmt* insert, const JsonValue& card, const CatalogueSetEntry& set);

// One catalogue card as the grid shows it, for one ledger. The strings
// come first, together; the query itself returns held before location.
struct CatalogueRow {
    std::wstring card_id;
    std::wstring name;
    std::wstring set_name;
    std::wstring number;
    std::wstring set_total;
    std::wstring rarity;
    std::wstring location; // the card's storage location in the ledger, or empty
    int32_t held = 0;      // every variant and condition of the card in the ledger
    bool want = false;
    bool tradable = false;
};

// Every catalogue card, held or not, once, by set name, then name, then
// card_id (byte order), with its held count and location in the ledger and
// its want and trade flags. Without the catalogue table the list is empty
// and the load succeeds. After a failure the list holds the rows read
// before it.
bool LoadCatalogueRows(sqlite3* db, std::vector<CatalogueRow>& rows, std::string& error, Ledger ledger);

// The number of distinct cards with at least one copy in the sale stock
// and no catalogue row (every such card while there is no catalogue); 0
// when it could not be counted. Callers only use it to warn.
int32_t CountHeldCardsMissingFromCatalogue(sqlite3* db);

// The card's small image link, else its large one; empty when it has
// neither, is not in the catalogue or the read failed.
std::string LoadCardImageUrl(sqlite3* db, const std::string& cardId);

// The UTF-8 text of one column, empty for NULL or no bytes: the one column
// reader of the data layer under the name the catalogue's readers use.
inline std::string CatalogueColumnText(sqlite3_stmt* stmt, int column)
{
    return ColumnTextString(stmt, column);
}
