#include "publish/export_stock.h"

#include "core/catalogue.h"
#include "core/db.h"
#include "core/text.h"
#include "publish/export_fields.h"

namespace {

constexpr char kCsvBackupHeader[] = "Card ID,Name,Set,Variant,Condition,Qty,Price,Location\r\n";

// One fixed statement per ledger, with the ledger's own word for its
// locations written into it; and one each for a database whose catalogue
// has not been fetched yet, whose stock is still the user's and is listed
// without names and sets.
#define STOCK_BACKUP_SQL(NAME_SET, PRICE, KEY, TABLE, JOIN)                                                  \
    "SELECT i.card_id, " NAME_SET ", i.variant, i.condition, i.qty, " PRICE ", "                              \
    "COALESCE((SELECT vl.location FROM variant_location vl WHERE vl.ledger = '" KEY "' "                      \
    "AND vl.card_id = i.card_id AND vl.variant = i.variant), '') FROM " TABLE " i" JOIN                       \
    " ORDER BY i.card_id, i.variant, i.condition;"
#define CATALOGUE_JOIN " LEFT JOIN catalogue c ON c.card_id = i.card_id"

const char* StockBackupSql(Ledger ledger, bool hasCatalogue)
{
    if (ledger == Ledger::Collection) {
        return hasCatalogue ? STOCK_BACKUP_SQL("c.name, c.set_name", "0", "coll", "collection", CATALOGUE_JOIN)
                            : STOCK_BACKUP_SQL("NULL, NULL", "0", "coll", "collection", "");
    }
    return hasCatalogue ? STOCK_BACKUP_SQL("c.name, c.set_name", "i.price", "sale", "inventory", CATALOGUE_JOIN)
                        : STOCK_BACKUP_SQL("NULL, NULL", "i.price", "sale", "inventory", "");
}

} // namespace

std::string FormatStockCsvBackup(const std::vector<StockBackupRow>& rows, Ledger ledger)
{
    if (rows.empty())
        return std::string();
    const bool collection = ledger == Ledger::Collection;
    std::string text = kCsvBackupHeader;
    text.reserve(rows.size() * 80 + sizeof kCsvBackupHeader);
    for (const StockBackupRow& row : rows) {
        for (const std::string* field : {&row.cardId, &row.name, &row.set, &row.variant, &row.condition}) {
            text += CsvField(*field);
            text += ',';
        }
        text += std::to_string(row.qty);
        text += ',';
        if (!collection)
            text += FormatPrice(row.price);
        text += ',';
        text += CsvField(row.location);
        text += "\r\n";
    }
    return ToValidUtf8(text);
}

std::string BuildStockCsvBackup(sqlite3* db, std::string& error, Ledger ledger)
{
    bool hasCatalogue = false;
    if (!CatalogueExists(db, hasCatalogue, error))
        return std::string();
    StmtHandle stmt = PrepareStmt(db, StockBackupSql(ledger, hasCatalogue), error);
    if (!stmt)
        return std::string();
    std::vector<StockBackupRow> rows;
    const bool read = ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        StockBackupRow line;
        line.cardId = ColumnTextString(row, 0);
        line.name = ColumnTextString(row, 1);
        line.set = ColumnTextString(row, 2);
        line.variant = ColumnTextString(row, 3);
        line.condition = ColumnTextString(row, 4);
        line.qty = sqlite3_column_int(row, 5);
        line.price = sqlite3_column_double(row, 6);
        line.location = ColumnTextString(row, 7);
        rows.push_back(std::move(line));
    });
    if (!read)
        return std::string();
    return FormatStockCsvBackup(rows, ledger);
}
