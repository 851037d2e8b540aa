// Writes the store pages and the reports that the browser tests open, each
// into a sub-folder of the folder named on the command line. Exit code 0
// when all were written.
#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "publish/store_page.h"
#include "tests/publish/report_browser_pages.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Must match HOSTILE in browser/harness.mjs.
const char kHostile[] = "</script><img src=x onerror=\"window.__pwned=1\"> O'Brien's \\ \"q\" \x01\x1f\t\n"
                        "\xE2\x80\xA8\xE2\x80\xA9 Pok\xC3\xA9mon <b>bold</b> &amp; <!-- x";

// A stock row, and the card if new, whose name, set, number and rarity are `text`.
bool AddStock(sqlite3* db, const std::string& id, const std::string& text, const std::string& condition, int qty,
              double price)
{
    std::string error;
    StmtHandle card = PrepareStmt(db, "INSERT OR IGNORE INTO catalogue (card_id,name,set_name,number,rarity,img_small) "
                                      "VALUES (?1,?2,?2,?2,?2,'');", error);
    StmtHandle stock = PrepareStmt(
        db, "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES (?,'Standard',?,?,?);", error);
    if (!card || !stock)
        return false;
    BindText(card.get(), 1, id);
    BindText(card.get(), 2, text);
    BindText(stock.get(), 1, id);
    BindText(stock.get(), 2, condition);
    sqlite3_bind_int(stock.get(), 3, qty);
    sqlite3_bind_double(stock.get(), 4, price);
    return StepDone(card.get(), error) && StepDone(stock.get(), error);
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

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring root = argc == 2 ? argv[1] : L".";
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring dbPath = root + L"\\pages.db";
    DeleteFileW(dbPath.c_str());
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(dbPath, db, error) || !CreateCatalogueTable(db.get(), error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Hostile text in every field of a card and of the settings.
    StoreSettings plain, hostile;
    InitDefaultStoreSettings(plain);
    hostile = plain;
    hostile.title = hostile.tagline = hostile.contact = hostile.notes = hostile.banner = Utf8ToWide(kHostile);
    hostile.currencySymbol = hostile.currencyCode = Utf8ToWide(kHostile);
    bool ok = AddStock(db.get(), "h-1", kHostile, kHostile, 3, 1.5) && WritePage(db.get(), root + L"\\hostile", hostile);
    // 250 cards, with prices on both sides of every price band's edge; every
    // fifth card also has a Played copy at 0.50.
    const double prices[] = {1, 5, 5.01, 10, 10.01, 25, 25.01, 49.99, 50, 50.01, 100, 100.01, 250};
    for (int i = 0; ok && i < 250; ++i) {
        char id[16], name[32];
        snprintf(id, sizeof id, "m-%03d", i);
        snprintf(name, sizeof name, "Card %03d", i);
        ok = AddStock(db.get(), id, name, "Near Mint", 1 + i % 4, prices[i % 13]) &&
             (i % 5 != 0 || AddStock(db.get(), id, name, "Played", 2, 0.5));
    }
    ok = ok && WritePage(db.get(), root + L"\\many", plain);
    return ok && WriteReportBrowserPages(root, kHostile) ? 0 : 1;
}
