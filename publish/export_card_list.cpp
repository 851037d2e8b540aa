#include "publish/export_card_list.h"

#include "core/catalogue.h"
#include "core/db.h"
#include "core/text.h"
#include "publish/export_fields.h"
#include "publish/store_page.h"

#include <unordered_set>

namespace {

constexpr char kCsvHeader[] = "Card ID,Name,Set,Number,Total,Rarity,Variant,Condition,Qty,Price\r\n";
constexpr char kTsvHeader[] = "Card ID\tName\tSet\tNumber\tTotal\tRarity\tVariant\tCondition\tQty\tPrice\r\n";

// One fixed statement per ledger, and one for a database whose catalogue has
// not been fetched yet: its stock is still the user's and is listed, with
// empty catalogue fields. Stock of a card the catalogue lacks sorts first
// (its set and name are NULL).
#define CARD_LIST_SQL(PRICE, TABLE)                                                                          \
    "SELECT i.card_id, COALESCE(c.name,''), COALESCE(c.set_name,''), COALESCE(c.number,''), "                \
    "COALESCE(c.set_total,''), COALESCE(c.rarity,''), i.variant, i.condition, i.qty, " PRICE " FROM " TABLE \
    " i LEFT JOIN catalogue c ON c.card_id = i.card_id WHERE i.qty > 0 "                                      \
    "ORDER BY c.set_name, c.name, i.card_id, i.variant, i.condition;"
#define CARD_LIST_WITHOUT_CATALOGUE_SQL(PRICE, TABLE)                                                        \
    "SELECT i.card_id, '', '', '', '', '', i.variant, i.condition, i.qty, " PRICE " FROM " TABLE              \
    " i WHERE i.qty > 0 ORDER BY i.card_id, i.variant, i.condition;"

const char* CardListSql(Ledger ledger, bool hasCatalogue)
{
    if (ledger == Ledger::Collection) {
        return hasCatalogue ? CARD_LIST_SQL("0", "collection")
                            : CARD_LIST_WITHOUT_CATALOGUE_SQL("0", "collection");
    }
    return hasCatalogue ? CARD_LIST_SQL("i.price", "inventory")
                        : CARD_LIST_WITHOUT_CATALOGUE_SQL("i.price", "inventory");
}

constexpr char kCatalogueLookupSql[] =
    "SELECT COALESCE(name,''), COALESCE(set_name,''), COALESCE(number,''), COALESCE(set_total,''), "
    "COALESCE(rarity,'') FROM catalogue WHERE card_id = ? LIMIT 1;";

void AppendSeparated(std::string& text, ExportFormat format, const CardListRow& row, const std::string& name,
                     bool collection)
{
    const bool csv = format == ExportFormat::Csv;
    const char separator = csv ? ',' : '\t';
    auto field = [&](const std::string& value) {
        text += csv ? CsvField(value) : TsvField(value);
        text += separator;
    };
    field(row.cardId);
    field(name);
    field(row.set);
    field(row.number);
    field(row.total);
    field(row.rarity);
    if (!row.inStock) {
        // Variant and condition empty, quantity 0, price empty.
        text += separator;
        text += separator;
        text += '0';
        text += separator;
    } else {
        field(row.variant);
        field(row.condition);
        text += std::to_string(row.qty);
        text += separator;
        if (!collection)
            text += FormatPrice(row.price);
    }
    text += "\r\n";
}

void AppendReadable(std::string& text, const CardListRow& row, const std::string& name, bool collection)
{
    text += name;
    text += " (";
    text += row.set;
    text += " #";
    text += row.number;
    if (!row.total.empty()) {
        text += '/';
        text += row.total;
    }
    text += ") [";
    text += row.rarity;
    text += "] - ";
    if (!row.inStock) {
        text += collection ? "none in collection" : "none in stock";
    } else {
        text += StoreConditionLabel(row.variant, row.condition);
        text += " x";
        text += std::to_string(row.qty);
        if (!collection) {
            // Fixed text: the list is a note for the user, not the store.
            text += " @ $";
            text += FormatPrice(row.price);
        }
    }
    text += "\r\n";
}

} // namespace

std::string FormatCardList(const std::vector<CardListRow>& rows, ExportFormat format, Ledger ledger)
{
    const bool collection = ledger == Ledger::Collection;
    std::string text;
    text.reserve(rows.size() * 96 + sizeof kCsvHeader);
    if (format == ExportFormat::Csv)
        text += kCsvHeader;
    else if (format == ExportFormat::Clipboard)
        text += kTsvHeader;
    for (const CardListRow& row : rows) {
        const std::string& name = row.name.empty() ? row.cardId : row.name;
        if (format == ExportFormat::Txt)
            AppendReadable(text, row, name, collection);
        else
            AppendSeparated(text, format, row, name, collection);
    }
    return ToValidUtf8(text);
}

std::string BuildStockExport(sqlite3* db, const std::vector<std::string>& selectedIds, ExportFormat format,
                             std::string& error, Ledger ledger)
{
    // One read transaction: every lookup sees the stock as it was read, and
    // the file is locked once instead of once per lookup, which costs far
    // more than the lookup itself when thousands of cards are checked.
    Transaction snapshot;
    if (sqlite3_get_autocommit(db) && !snapshot.Begin(db, error))
        return std::string();
    bool hasCatalogue = false;
    if (!CatalogueExists(db, hasCatalogue, error))
        return std::string();
    StmtHandle stock = PrepareStmt(db, CardListSql(ledger, hasCatalogue), error);
    if (!stock)
        return std::string();

    const std::unordered_set<std::string> selected(selectedIds.begin(), selectedIds.end());
    std::unordered_set<std::string> stocked;
    std::vector<CardListRow> rows;
    const bool read = ForEachRow(stock.get(), error, [&](sqlite3_stmt* row) {
        std::string cardId = ColumnTextString(row, 0);
        if (!selected.empty()) {
            if (!selected.count(cardId))
                return;
            stocked.insert(cardId);
        }
        CardListRow line;
        line.cardId = std::move(cardId);
        line.name = ColumnTextString(row, 1);
        line.set = ColumnTextString(row, 2);
        line.number = ColumnTextString(row, 3);
        line.total = ColumnTextString(row, 4);
        line.rarity = ColumnTextString(row, 5);
        line.variant = ColumnTextString(row, 6);
        line.condition = ColumnTextString(row, 7);
        line.qty = sqlite3_column_int(row, 8);
        line.price = sqlite3_column_double(row, 9);
        rows.push_back(std::move(line));
    });
    if (!read)
        return std::string();
    stock.reset();

    if (!selected.empty()) {
        StmtHandle lookup;
        if (hasCatalogue) {
            lookup = PrepareStmt(db, kCatalogueLookupSql, error);
            if (!lookup)
                return std::string();
        }
        std::unordered_set<std::string> handled;
        for (const std::string& id : selectedIds) {
            if (stocked.count(id) || !handled.insert(id).second)
                continue;
            CardListRow line;
            line.cardId = id;
            line.inStock = false;
            if (lookup) {
                sqlite3_reset(lookup.get());
                sqlite3_clear_bindings(lookup.get());
                BindText(lookup.get(), 1, id);
                const int rc = sqlite3_step(lookup.get());
                if (rc == SQLITE_ROW) {
                    line.name = ColumnTextString(lookup.get(), 0);
                    line.set = ColumnTextString(lookup.get(), 1);
                    line.number = ColumnTextString(lookup.get(), 2);
                    line.total = ColumnTextString(lookup.get(), 3);
                    line.rarity = ColumnTextString(lookup.get(), 4);
                } else if (rc != SQLITE_DONE) {
                    error = sqlite3_errmsg(db);
                    return std::string();
                }
            }
            rows.push_back(std::move(line));
        }
    }
    return FormatCardList(rows, format, ledger);
}
