// The printable card lists: the wishlist and the trade list (the cards the
// user flagged, grouped by set) and the set-completion report (every card of
// one set, held or still needed).
#pragma once

#include "core/settings.h"
#include "publish/report_page.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// The cards flagged Want (wishlist) or Trade / swap, by set ignoring case,
// then exact set name, so that each set is one group; cards missing from
// the catalogue first, under "(no set)", named by their id; within a set by
// number in natural order, then name.
bool LoadFlaggedCards(sqlite3* db, bool wishlist, std::vector<ReportCard>& cards, std::string& error);
// How many of the cards are held at all.
int32_t CountHeld(const std::vector<ReportCard>& cards);
// The wishlist or trade-list page, dated generated.
std::string BuildFlagReportPage(const std::vector<ReportCard>& cards, bool wishlist, const StoreSettings& settings,
                                const std::string& generated);
// Writes folder\wishlist-report.html or folder\trade-list.html through a
// ".tmp" file. outRows counts the cards listed, outOwned (wishlist only)
// those already held; outError is the reason on failure, when the previous
// report stays as it was.
bool WriteFlagReport(sqlite3* db, const std::wstring& folder, const StoreSettings& settings, bool wishlist,
                     int32_t& outRows, int32_t& outOwned, std::string& outError);

// The catalogue's cards of the set named exactly setName, by number in
// natural order, then name ignoring case.
bool LoadSetCards(sqlite3* db, const std::string& setName, std::vector<ReportCard>& cards, std::string& error);
// The set-completion page, dated generated.
std::string BuildSetCompletionPage(const std::vector<ReportCard>& cards, const std::string& setName,
                                   const StoreSettings& settings, const std::string& generated);
// Writes folder\set-completion.html through a ".tmp" file. outTotal counts
// the set's cards, outHeld those held.
bool WriteSetCompletionReport(sqlite3* db, const std::wstring& folder, const StoreSettings& settings,
                              const std::wstring& setName, int32_t& outTotal, int32_t& outHeld, std::string& outError);
