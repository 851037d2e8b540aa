// The report pages that the browser tests open, under <root>\reports.
#include "tests/publish/report_browser_pages.h"

#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/text.h"
#include "publish/report_cards.h"
#include "publish/report_sales.h"

#include <windows.h>

#include <cstdio>

namespace {

// Must match the channels in browser/reports.test.mjs.
const char kAttributeBreaker[] = "x\" onmouseover=\"window.__pwned=1\" y=\"";
const char kImageTag[] = "<img src=x onerror=\"window.__pwned=1\">";

bool Run(sqlite3* db, const std::string& sql, const std::vector<std::string>& texts)
{
    std::string error;
    StmtHandle stmt = PrepareStmt(db, sql.c_str(), error);
    if (!stmt) {
        fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    for (size_t i = 0; i < texts.size(); ++i)
        BindText(stmt.get(), static_cast<int>(i + 1), texts[i]);
    if (!StepDone(stmt.get(), error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

bool AddCard(sqlite3* db, const std::string& id, const std::string& name, const std::string& set,
             const std::string& number, const std::string& rarity)
{
    return Run(db, "INSERT INTO catalogue (card_id,name,set_name,number,set_total,rarity) VALUES (?,?,?,?,'',?);",
               {id, name, set, number, rarity});
}

bool AddSale(sqlite3* db, const std::string& id, const std::string& soldAt, int qty, double price,
             const std::string& channel)
{
    char numbers[64];
    snprintf(numbers, sizeof numbers, "%d,%.2f", qty, price);
    return Run(db,
               std::string("INSERT INTO sales (card_id,variant,condition,qty,price,sold_at,channel) VALUES "
                           "(?,'Holo','Near Mint',") +
                   numbers + ",?,?);",
               {id, soldAt, channel});
}

bool Flag(sqlite3* db, const std::string& id, bool want, bool trade)
{
    return Run(db, std::string("INSERT INTO card_flags (card_id,want,tradable) VALUES (?,") + (want ? "1" : "0") +
                       "," + (trade ? "1" : "0") + ");",
               {id});
}

bool Hold(sqlite3* db, const std::string& id, int qty)
{
    return Run(db, "INSERT INTO collection (card_id,variant,condition,qty) VALUES (?,'Standard','Mint'," +
                       std::to_string(qty) + ");",
               {id});
}

bool Clear(sqlite3* db)
{
    std::string error;
    return ExecSql(db, "DELETE FROM catalogue; DELETE FROM sales; DELETE FROM card_flags; DELETE FROM collection;",
                   error);
}

bool WriteAll(sqlite3* db, const std::wstring& folder, const StoreSettings& settings, const std::wstring& set)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    int32_t first = 0, second = 0;
    std::string error;
    const bool ok = WriteSalesReport(db, folder, settings, first, error) &&
                    WriteFlagReport(db, folder, settings, true, first, second, error) &&
                    WriteFlagReport(db, folder, settings, false, first, second, error) &&
                    WriteSetCompletionReport(db, folder, settings, set, first, second, error);
    if (!ok)
        fprintf(stderr, "report not written: %s\n", error.c_str());
    return ok && Clear(db);
}

} // namespace

bool WriteReportBrowserPages(const std::wstring& root, const std::string& hostile)
{
    const std::wstring reports = root + L"\\reports";
    CreateDirectoryW(reports.c_str(), nullptr);
    const std::wstring dbPath = reports + L"\\reports.db";
    DeleteFileW(dbPath.c_str());
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(dbPath, db, error) || !CreateCatalogueTable(db.get(), error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    sqlite3* d = db.get();
    StoreSettings settings;
    InitDefaultStoreSettings(settings);

    // Hostile text everywhere a report shows data.
    StoreSettings hostileSettings = settings;
    hostileSettings.title = hostileSettings.currencySymbol = Utf8ToWide(hostile);
    bool ok = AddCard(d, "h-1", hostile, hostile, hostile, hostile) && AddCard(d, "h-2", hostile, hostile, "2", "") &&
              AddSale(d, "h-1", "2026-03-08 10:00:00", 1, 1.5, hostile) &&
              AddSale(d, "h-2", "2026-03-08 11:00:00", 2, 3, kAttributeBreaker) &&
              AddSale(d, "h-1", "2026-03-08 12:00:00", 3, 4.25, kImageTag) && Flag(d, "h-1", true, true) &&
              Flag(d, "h-2", true, true) && Hold(d, "h-2", 2) &&
              WriteAll(d, reports + L"\\hostile", hostileSettings, Utf8ToWide(hostile));

    // Sales on both sides of every period's edge, for a clock pinned to
    // Sunday 8 or Monday 9 March 2026.
    StoreSettings shop = settings;
    shop.title = L"Ann & Co";
    shop.currencySymbol = L"\u20AC";
    ok = ok && AddCard(d, "a-1", "Alakazam", "Base", "1", "Rare") &&
         AddCard(d, "b-2", "Blastoise", "Jungle", "2", "") &&
         AddCard(d, "c-4", "charizard", "Base", "4", "") && AddCard(d, "e-51", "Eevee", "Fossil", "51", "") &&
         AddCard(d, "f-27", "Farfetch'd", "Fossil", "27", "") &&
         AddSale(d, "a-1", "2026-03-09 09:15:00", 2, 10, "eBay") &&
         AddSale(d, "b-2", "2026-03-08 18:00:00", 1, 5.5, "Market") &&
         AddSale(d, "c-4", "2026-03-02 00:00:00", 1, 100, "") &&
         AddSale(d, "d-404", "2026-03-01 23:59:59", 3, 1.25, "Facebook") &&
         AddSale(d, "e-51", "2026-02-15 12:00:00", 1, 7, "eBay") &&
         AddSale(d, "f-27", "2025-12-31 23:00:00", 1, 2, "Website") &&
         WriteAll(d, reports + L"\\shop", shop, L"Base");

    // More sales than the table draws at once: "sale-0000" is the newest,
    // each next one an hour older.
    ok = ok && ExecSql(d,
                       "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2999) "
                       "INSERT INTO sales (card_id,variant,condition,qty,price,sold_at,channel) "
                       "SELECT printf('sale-%04d', i), 'Holo', 'Near Mint', 1, 1, "
                       "datetime('2026-03-08 12:00:00', '-' || i || ' hours'), 'Market' FROM n;",
                       error);
    ok = ok && WriteAll(d, reports + L"\\long", settings, L"Base");

    // Nothing at all, under an empty title and currency symbol.
    StoreSettings bare;
    InitStoreSettings(bare);
    ok = ok && WriteAll(d, reports + L"\\empty", bare, L"Base");

    // Flagged cards in sets whose names differ only in case, and one
    // missing from the catalogue.
    ok = ok && AddCard(d, "B-10", "Blastoise", "Base", "10", "Rare") &&
         AddCard(d, "B-2", "Alakazam", "Base", "2", "") &&
         AddCard(d, "b-5", "Lower", "base", "5", "") && AddCard(d, "J-1", "Jigglypuff", "Jungle", "1", "") &&
         Flag(d, "B-10", true, true) && Flag(d, "B-2", true, false) && Flag(d, "b-5", true, true) &&
         Flag(d, "J-1", true, false) && Flag(d, "lost-1", true, true) && Hold(d, "B-2", 1) &&
         WriteAll(d, reports + L"\\sets", settings, L"Base");
    return ok;
}
