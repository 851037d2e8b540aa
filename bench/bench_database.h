// The database of a large collector, generated the same on every run so
// that runs can be compared: 20,000 catalogue cards in 170 sets with sale
// stock, collection stock, locations in both ledgers and want/trade flags.
// Card ids are "set<s>-<n>".
#pragma once

#include <sqlite3.h>

#include <string>

namespace BenchDatabase {
inline constexpr int Cards = 20000;
inline constexpr int Sets = 170;
inline constexpr int SaleRows = 5000;
inline constexpr int CollectionRows = 3000;
inline constexpr int LocationsPerLedger = 1000;
inline constexpr int FlaggedCards = 1000;
} // namespace BenchDatabase

// Prints what failed; false.
bool BenchFail(const char* what, const std::string& error);

// Fills a database that has the current schema and nothing else, in one
// transaction.
bool BuildBenchDatabase(sqlite3* db);

// Adds count sales of catalogue cards over the years, in batches of one to
// three lines with one time and channel each, in one transaction. The sale
// stock is left as it is.
bool AddBenchSales(sqlite3* db, int count);
