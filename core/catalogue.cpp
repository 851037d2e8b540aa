#include "core/catalogue.h"

namespace {

// One link of the card's "images" object; empty text when either is missing
// or mistyped, so a card's content never makes its insert fail.
std::string ImageLink(const JsonValue& card, const char* size)
{
    const JsonValue* images = JsonFindMember(card, "images");
    return images && images->kind == JsonObject ? JsonGetString(*images, size) : std::string();
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
    const std::string cardId = JsonGetString(card, "id");
    if (cardId.empty())
        return false;
    const std::string values[] = {
        cardId,
        JsonGetString(card, "name"),
        set.id,
        set.name,
        set.series,
        JsonGetString(card, "number"),
        set.printedTotal,
        JsonGetString(card, "rarity"),
        JsonGetString(card, "supertype"),
        ImageLink(card, "small"),
        ImageLink(card, "large"),
    };
    int index = 1;
    for (const std::string& value : values)
        BindText(insert, index++, value);
    return true;
}
