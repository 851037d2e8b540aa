// Storage locations (a box, a binder page: free text), one per ledger, card
// and variant, kept apart from the stock itself: a location outlives the
// card's stock and leaves only when the user clears it. Rows name their
// ledger by LedgerKey.
#pragma once

#include "core/stock.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// The card's location in the ledger: the Standard variant's when it has a
// non-empty one, else that of the variant that sorts first. Empty, and
// success, when the card has none.
bool LoadCardLocation(sqlite3* db, Ledger ledger, const std::string& cardId, std::wstring& location,
                      std::string& error);
// Every distinct non-empty location of the ledger, letters compared without
// case.
bool LoadDistinctLocations(sqlite3* db, Ledger ledger, std::vector<std::wstring>& locations,
                           std::string& error);
// Empty, and success, when the variant has no location.
bool LoadVariantLocation(sqlite3* db, Ledger ledger, const std::string& cardId, const std::string& variant,
                         std::wstring& location, std::string& error);
// Replaces the variant's location; an empty one removes it, so no empty
// location is ever stored. Blanks are kept as typed.
bool SaveVariantLocation(sqlite3* db, Ledger ledger, const std::string& cardId, const std::string& variant,
                         const std::wstring& location, std::string& error);
