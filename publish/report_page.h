// What the four HTML reports (sales, wishlist, trade list, set completion)
// share: escaping, their titles, the static reports' page skeleton and
// style sheet, the cards they list and where their queries find the
// catalogue. No window, no file.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The byte offset of the first "</body>", or npos.
size_t FindBodyClose(std::string_view page);

// The text for an HTML element or a quoted attribute: '&', '<', '>' and '"'
// become entities, apostrophes stay, and ill-formed UTF-8 becomes U+FFFD.
std::string HtmlEscape(std::string_view text);

// "title - word" for the document title and "title &mdash; word" for the
// heading, or the word alone under an empty title. The title comes escaped.
std::string MakeReportTitle(const std::string& escapedTitle, const char* word);
std::string MakeReportHeading(const std::string& escapedTitle, const char* word);

// The style sheet of the static reports (wishlist, trade list, set
// completion); starts and ends with a LF.
extern const char kReportCss[];

// A static report page: head, heading, the set heading when one is given
// (escaped here), the sub line and content as given (HTML), the print
// button and the credit footer inside the page's block.
std::string BuildStaticReportPage(const std::string& escapedTitle, const char* word, const std::string* setName,
                                  const std::string& subLine, const std::string& content);

// One card of the wishlist, the trade list or the set-completion report,
// text in UTF-8; held sums both ledgers.
struct ReportCard {
    std::string set; // empty in the set-completion report
    std::string name;
    std::string number;
    std::string setTotal;
    std::string rarity;
    int32_t held = 0;
};

// One table row of a card: name, "number/total" (or the number alone),
// rarity and the given status cell.
std::string ReportCardRow(const ReportCard& card, std::string_view statusCell);

// The table the reports' queries read the catalogue from: before the first
// online update there is none, and every report then treats the catalogue
// as empty instead of failing with "no such table".
bool ReportCatalogueSource(sqlite3* db, std::string& source, std::string& error);
