// The sales report: the whole sales ledger as one self-contained page with
// its data and script embedded, on which the user picks a period, channel,
// set or card, sees totals and revenue per channel, sorts and prints.
#pragma once

#include "core/settings.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// One sale as the page shows it, text in UTF-8.
struct SalesReportRow {
    std::string soldAt;  // local time, "YYYY-MM-DD hh:mm:ss"
    std::string card;    // the catalogue name, or the card id
    std::string set;     // empty when the card is not in the catalogue
    std::string number;
    std::string variant;
    std::string condition;
    int32_t qty = 0;
    double price = 0.0;  // never negative or non-finite
    std::string channel;
};

// Every sale, newest first (the same time: highest sale id first); a
// price below zero or not finite reads as 0 and is logged.
bool LoadSalesReportRows(sqlite3* db, std::vector<SalesReportRow>& rows, std::string& error);

// The whole page for these sales, the store's title and currency symbol,
// with generated as its date line.
std::string BuildSalesReportPage(const std::vector<SalesReportRow>& rows, const StoreSettings& settings,
                                 const std::string& generated);

// Writes folder\sales-report.html through a ".tmp" file. outRowCount is the
// number of sales written, set only on success; outError the reason on
// failure, when the previous report stays as it was.
bool WriteSalesReport(sqlite3* db, const std::wstring& folder, const StoreSettings& settings, int32_t& outRowCount,
                      std::string& outError);
