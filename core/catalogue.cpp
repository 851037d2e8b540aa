#include "core/catalogue.h"

#include <string_view>

namespace {

// A string member's text as a view into the card, so the insert of each of
// the thousands of cards an update brings copies its text only once, into
// SQLite. Empty text (never a null pointer, which would bind NULL) when the
// member is missing or not a string.
std::string_view MemberText(const JsonValue& object, std::string_view key)
{
    const JsonValue* member = JsonFindMember(object, key);
    return member && member->kind == JsonString ? std::string_view(member->string) : std::string_view("");
}

// One link of the card's "images" object; empty text when either is missing
// or mistyped, so a card's content never makes its insert fail.
std::string_view ImageLink(const JsonValue& card, std::string_view size)
{
    const JsonValue* images = JsonFindMember(card, "images");
    return images ? MemberText(*images, size) : std::string_view("");
}

// The grid query, written out whole for each ledger and for a database with
// and without the flags table, so the ledger only chooses between fixed
// texts. Its stored key reaches the statement as a bound value (?1). The
// location is chosen as LoadCardLocation chooses it: the Standard variant's,
// else the first variant's in byte order.
#define CATALOGUE_ROWS_SQL(stock, flags, flagsJoin)                                                               \
    "SELECT c.card_id, c.name, c.set_name, c.number, c.set_total, c.rarity, "                                     \
    "COALESCE((SELECT SUM(s.qty) FROM " stock " s WHERE s.card_id = c.card_id), 0), "                            \
    "COALESCE((SELECT vl.location FROM variant_location vl "                                                      \
    "          WHERE vl.ledger = ?1 AND vl.card_id = c.card_id AND vl.location <> '' "                            \
    "          ORDER BY (vl.variant = 'Standard') DESC, vl.variant LIMIT 1), ''), " flags "FROM catalogue c "     \
    flagsJoin "ORDER BY c.set_name, c.name, c.card_id;"
#define CATALOGUE_FLAGS "COALESCE(cf.want, 0), COALESCE(cf.tradable, 0) "
#define CATALOGUE_FLAGS_JOIN "LEFT JOIN card_flags cf ON cf.card_id = c.card_id "

const char* CatalogueRowsSql(Ledger ledger, bool withFlags)
{
    if (ledger == Ledger::Collection)
        return withFlags ? CATALOGUE_ROWS_SQL("collection", CATALOGUE_FLAGS, CATALOGUE_FLAGS_JOIN)
                         : CATALOGUE_ROWS_SQL("collection", "0, 0 ", "");
    return withFlags ? CATALOGUE_ROWS_SQL("inventory", CATALOGUE_FLAGS, CATALOGUE_FLAGS_JOIN)
                     : CATALOGUE_ROWS_SQL("inventory", "0, 0 ", "");
}

#undef CATALOGUE_ROWS_SQL
#undef CATALOGUE_FLAGS
#undef CATALOGUE_FLAGS_JOIN

// Steps a count query; 0 when it yields no row or fails.
int32_t ReadCount(sqlite3* db, const char* sql)
{
    std::string ignored; // a count only ever feeds a warning
    StmtHandle stmt = PrepareStmt(db, sql, ignored);
    if (!stmt || sqlite3_step(stmt.get()) != SQLITE_ROW)
        return 0;
    return sqlite3_column_int(stmt.get(), 0);
}

} // namespace

bool CreateCatalogueTable(sqlite3* db, std::string& error)
{
    for (const char* sql : CatalogueCreateSql) {
        if (!ExecSql(db, sql, error))
            return false;
    }
    return true;
}

bool CatalogueExists(sqlite3* db, bool& exists, std::string& error)
{
    return TableExists(db, "catalogue", exists, error);
}

bool InsertCatalogueCard(sqlite3_stmt* insert, const JsonValue& card, const CatalogueSetEntry& set)
{
    const std::string_view cardId = MemberText(card, "id");
    if (cardId.empty())
        return false;
    const std::string_view values[] = {
        cardId,
        MemberText(card, "name"),
        set.id,
        set.name,
        set.series,
        MemberText(card, "number"),
        set.printedTotal,
        MemberText(card, "rarity"),
        MemberText(card, "supertype"),
        ImageLink(card, "small"),
        ImageLink(card, "large"),
    };
    int index = 1;
    for (const std::string_view value : values)
        BindText(insert, index++, value);
    return true;
}

bool LoadCatalogueRows(sqlite3* db, std::vector<CatalogueRow>& rows, std::string& error, Ledger ledger)
{
    rows.clear();
    bool hasCatalogue = false;
    if (!CatalogueExists(db, hasCatalogue, error))
        return false;
    if (!hasCatalogue)
        return true;
    bool hasFlags = false;
    if (!TableExists(db, "card_flags", hasFlags, error))
        return false;

    StmtHandle stmt = PrepareStmt(db, CatalogueRowsSql(ledger, hasFlags), error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 1, LedgerKey(ledger));
    return ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        rows.push_back({ColumnTextW(row, 0), ColumnTextW(row, 1), ColumnTextW(row, 2), ColumnTextW(row, 3),
                        ColumnTextW(row, 4), ColumnTextW(row, 5), ColumnTextW(row, 7), sqlite3_column_int(row, 6),
                        sqlite3_column_int(row, 8) != 0, sqlite3_column_int(row, 9) != 0});
    });
}

int32_t CountHeldCardsMissingFromCatalogue(sqlite3* db)
{
    bool hasCatalogue = false;
    std::string ignored;
    if (!CatalogueExists(db, hasCatalogue, ignored))
        return 0;
    // A row counted down to nothing is not a held card, and before the first
    // update every held card is missing from the (empty) catalogue.
    if (!hasCatalogue)
        return ReadCount(db, "SELECT COUNT(DISTINCT card_id) FROM inventory WHERE qty > 0;");
    return ReadCount(db, "SELECT COUNT(*) FROM (SELECT DISTINCT i.card_id FROM inventory i WHERE i.qty > 0 AND "
                         "NOT EXISTS (SELECT 1 FROM catalogue c WHERE c.card_id = i.card_id));");
}

std::string LoadCardImageUrl(sqlite3* db, const std::string& cardId)
{
    std::string ignored; // no link simply means no picture
    StmtHandle stmt =
        PrepareStmt(db, "SELECT img_small, img_large FROM catalogue WHERE card_id = ? LIMIT 1;", ignored);
    if (!stmt)
        return std::string();
    BindText(stmt.get(), 1, cardId);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW)
        return std::string();
    std::string link = CatalogueColumnText(stmt.get(), 0);
    return link.empty() ? CatalogueColumnText(stmt.get(), 1) : link;
}
