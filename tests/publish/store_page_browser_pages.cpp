// Writes the store pages the browser tests open, each into a sub-folder of
// the folder named on the command line. Exit code 0 when all were written.
#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "publish/store_page.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Everything a catalogue or a seller could type that might end the script,
// break a string or run as markup.
const char kHostile[] = "</script><img src=x onerror=\"window.__pwned=1\"> O'Brien's \\ \"q\" \x01\x1f\t\n"
                        "\xE2\x80\xA8\xE2\x80\xA9 Pok\xC3\xA9mon <b>bold</b> &amp; <!-- x";

struct Card {
    std::string id, name, set, number, rarity, small;
};

bool AddCard(sqlite3* db, const Card& card)
{
    std::string error;
    StmtHandle stmt = PrepareStmt(
        db, "INSERT INTO catalogue (card_id,name,set_name,number,rarity,img_small) VALUES (?,?,?,?,?,?);", error);
    if (!stmt)
        return false;
    const std::string* values[] = {&card.id, &card.name, &card.set, &card.number, &card.rarity, &card.small};
    for (int i = 0; i < 6; ++i)
        BindText(stmt.get(), i + 1, *values[i]);
    return StepDone(stmt.get(), error);
}

bool AddStock(sqlite3* db, const std::string& id, const std::string& condition, int qty, double price)
{
    std::string error;
    StmtHandle stmt =
        PrepareStmt(db, "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES (?,'Standard',?,?,?);", error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 1, id);
    BindText(stmt.get(), 2, condition);
    sqlite3_bind_int(stmt.get(), 3, qty);
    sqlite3_bind_double(stmt.get(), 4, price);
    return StepDone(stmt.get(), error);
}

bool WritePage(sqlite3* db, const std::wstring& folder, const StoreSettings& settings)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    int32_t count = 0;
    std::string message;
    if (!WriteStorePage(db, folder, false, settings, count, message, nullptr, nullptr, nullptr) || count == 0 ||
        !ExecSql(db, "DELETE FROM inventory; DELETE FROM catalogue;", message)) {
        fprintf(stderr, "page not written: %s\n", message.c_str());
        return false;
    }
    return true;
}

// Hostile text in every field of a card and of the settings.
bool HostilePage(sqlite3* db, const std::wstring& folder)
{
    const Card card{"h-1", kHostile, kHostile, kHostile, kHostile, kHostile};
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    const std::wstring hostile = Utf8ToWide(kHostile);
    settings.title = settings.tagline = settings.contact = settings.notes = settings.banner = hostile;
    settings.currencySymbol = settings.currencyCode = hostile;
    return AddCard(db, card) && AddStock(db, "h-1", kHostile, 3, 1.5) &&
           AddCard(db, {"p-1", "Pikachu", "Base", "7", "Common", ""}) && AddStock(db, "p-1", "Mint", 1, 2) && WritePage(db, folder, settings);
}

// 250 cards in three sets and two rarities, with prices on both sides of
// every price band's edge, in euros.
const double kPrices[] = {1, 5, 5.01, 10, 10.01, 25, 25.01, 49.99, 50, 50.01, 100, 100.01, 250};

bool ManyPage(sqlite3* db, const std::wstring& folder)
{
    const char* const sets[] = {"Base", "Jungle", "Fossil"};
    for (int i = 0; i < 250; ++i) {
        char id[16], name[32];
        snprintf(id, sizeof id, "m-%03d", i);
        snprintf(name, sizeof name, "Card %03d", i);
        const Card card{id, name, sets[i % 3], std::to_string(i + 1), i % 2 ? "Common" : "Rare Holo", ""};
        if (!AddCard(db, card) || !AddStock(db, id, "Near Mint", 1 + i % 4, kPrices[i % 13]))
            return false;
        if (i % 5 == 0 && !AddStock(db, id, "Played", 2, 0.5))
            return false;
    }
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    settings.title = L"Kov\u2019s Test Shop";
    settings.currencySymbol = L"\u20AC";
    settings.currencyCode = L"EUR";
    return WritePage(db, folder, settings);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: store_page_browser_pages <folder>\n");
        return 2;
    }
    const std::wstring root = argv[1];
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring dbPath = root + L"\\pages.db";
    DeleteFileW(dbPath.c_str());
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(dbPath, db, error) || !CreateCatalogueTable(db.get(), error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const bool ok = HostilePage(db.get(), root + L"\\hostile") && ManyPage(db.get(), root + L"\\many");
    db.reset();
    DeleteFileW(dbPath.c_str());
    return ok ? 0 : 1;
}
