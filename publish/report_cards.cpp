#include "publish/report_cards.h"

#include "core/db.h"
#include "core/file_replace.h"
#include "core/log.h"
#include "core/output.h"
#include "core/text.h"

namespace {

constexpr char kTableEnd[] = "</tbody></table></div>\n";
// Copies of the card named by alias held in both ledgers together.
std::string HeldOf(const std::string& alias)
{
    return "COALESCE((SELECT SUM(qty) FROM inventory  WHERE card_id = " + alias +
           ".card_id), 0) + COALESCE((SELECT SUM(qty) FROM collection WHERE card_id = " + alias + ".card_id), 0)";
}

struct FlagMode {
    const char* flagColumn;
    const char* word;
    const char* lastHeader;
    const char* noun;
    const char* empty;
    const wchar_t* file;
    const char* logName;
};

const FlagMode& ModeOf(bool wishlist)
{
    static const FlagMode kWishlist = {
        "want", "Wishlist", "Owned", " wanted",
        "<div class=\"empty\">No cards on the wishlist yet &mdash; tick <b>Want</b> on a card in Collection "
        "mode.</div>\n",
        L"\\wishlist-report.html", "Wishlist report"};
    static const FlagMode kTrade = {
        "tradable", "Trade / Swap List", "Have", " marked for trade",
        "<div class=\"empty\">No cards marked for trade yet &mdash; tick <b>Trade / swap</b> on a card in "
        "Collection mode.</div>\n",
        L"\\trade-list.html", "Trade list"};
    return wishlist ? kWishlist : kTrade;
}

std::string Plural(int32_t count, const char* word)
{
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

bool LoadCards(sqlite3* db, const std::string& sql, const std::string* bound, bool withSet,
               std::vector<ReportCard>& cards, std::string& error)
{
    cards.clear();
    StmtHandle stmt = PrepareStmt(db, sql.c_str(), error);
    if (!stmt)
        return false;
    if (bound)
        BindText(stmt.get(), 1, *bound);
    const int first = withSet ? 1 : 0;
    return ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        ReportCard card;
        if (withSet)
            card.set = ColumnTextString(row, 0);
        card.name = ColumnTextString(row, first);
        card.number = ColumnTextString(row, first + 1);
        card.setTotal = ColumnTextString(row, first + 2);
        card.rarity = ColumnTextString(row, first + 3);
        card.held = sqlite3_column_int(row, first + 4);
        cards.push_back(std::move(card));
    });
}

} // namespace

int32_t CountHeld(const std::vector<ReportCard>& cards)
{
    int32_t held = 0;
    for (const ReportCard& card : cards)
        held += card.held > 0 ? 1 : 0;
    return held;
}

bool LoadFlaggedCards(sqlite3* db, bool wishlist, std::vector<ReportCard>& cards, std::string& error)
{
    std::string catalogue;
    if (!ReportCatalogueSource(db, catalogue, error))
        return false;
    const std::string sql =
        "SELECT COALESCE(c.set_name,'(no set)'), COALESCE(NULLIF(c.name,''), f.card_id), COALESCE(c.number,''), "
        "COALESCE(c.set_total,''), COALESCE(c.rarity,''), " +
        HeldOf("f") + " FROM card_flags f LEFT JOIN " + catalogue + " c ON c.card_id = f.card_id WHERE f." +
        ModeOf(wishlist).flagColumn +
        " = 1 ORDER BY c.set_name COLLATE NOCASE, c.set_name, CAST(c.number AS INTEGER), c.number, "
        "c.name COLLATE NOCASE;";
    return LoadCards(db, sql, nullptr, true, cards, error);
}

std::string BuildFlagReportPage(const std::vector<ReportCard>& cards, bool wishlist, const StoreSettings& settings,
                                const std::string& generated)
{
    const FlagMode& mode = ModeOf(wishlist);
    std::string body;
    for (size_t i = 0; i < cards.size(); ++i) {
        const ReportCard& card = cards[i];
        if (i == 0 || card.set != cards[i - 1].set) {
            if (i)
                body += kTableEnd;
            body += "<h2>" + HtmlEscape(card.set) + "</h2>\n";
            body += "<div class=\"tw\"><table><thead><tr><th>Card</th><th>No.</th><th>Rarity</th><th class=\"num\">";
            body += mode.lastHeader;
            body += "</th></tr></thead><tbody>\n";
        }
        std::string status;
        if (wishlist)
            status = card.held > 0 ? "<span class=\"owned\">\xE2\x9C\x93 owned</span>"
                                   : "<span class=\"muted\">wanted</span>";
        else
            status = card.held > 0 ? std::to_string(card.held) : "<span class=\"muted\">0</span>";
        body += ReportCardRow(card, status);
    }
    if (!cards.empty())
        body += kTableEnd;

    const int32_t rows = static_cast<int32_t>(cards.size());
    std::string sub = "Generated " + generated + " &middot; " + Plural(rows, "card") + mode.noun;
    if (wishlist)
        sub += " &middot; " + std::to_string(CountHeld(cards)) + " already owned";
    return BuildStaticReportPage(HtmlEscape(WideToUtf8(settings.title)), mode.word, nullptr, sub,
                                 cards.empty() ? std::string(mode.empty) : body);
}

bool WriteFlagReport(sqlite3* db, const std::wstring& folder, const StoreSettings& settings, bool wishlist,
                     int32_t& outRows, int32_t& outOwned, std::string& outError)
{
    outRows = 0;
    outOwned = 0;
    std::vector<ReportCard> cards;
    if (!LoadFlaggedCards(db, wishlist, cards, outError))
        return false;
    const FlagMode& mode = ModeOf(wishlist);
    const std::string page = BuildFlagReportPage(cards, wishlist, settings, FormatLongDate());
    if (!WriteFileByReplacement(folder + mode.file, page, WriteWholeFile, "could not replace the report file",
                                outError))
        return false;
    outRows = static_cast<int32_t>(cards.size());
    outOwned = wishlist ? CountHeld(cards) : 0;
    Log("%s written: %d card row(s)", mode.logName, outRows);
    return true;
}

bool LoadSetCards(sqlite3* db, const std::string& setName, std::vector<ReportCard>& cards, std::string& error)
{
    std::string catalogue;
    if (!ReportCatalogueSource(db, catalogue, error))
        return false;
    const std::string sql = "SELECT COALESCE(NULLIF(c.name,''), c.card_id), COALESCE(c.number,''), "
                            "COALESCE(c.set_total,''), COALESCE(c.rarity,''), " +
                            HeldOf("c") + " FROM " + catalogue +
                            " c WHERE c.set_name = ? ORDER BY CAST(c.number AS INTEGER), c.number, "
                            "c.name COLLATE NOCASE;";
    return LoadCards(db, sql, &setName, false, cards, error);
}

std::string BuildSetCompletionPage(const std::vector<ReportCard>& cards, const std::string& setName,
                                   const StoreSettings& settings, const std::string& generated)
{
    const int32_t total = static_cast<int32_t>(cards.size());
    const int32_t held = CountHeld(cards);
    std::string sub = "Generated " + generated + " &middot; ";
    std::string content;
    if (total > 0) {
        const int64_t percent = static_cast<int64_t>(held) * 100 / total;
        sub += std::to_string(held) + " of " + std::to_string(total) + " cards (" + std::to_string(percent) +
               "% complete) &middot; " + std::to_string(total - held) + " still needed";
        content = "<div class=\"tw\"><table><thead><tr><th>Card</th><th>No.</th><th>Rarity</th>"
                  "<th class=\"num\">Status</th></tr></thead><tbody>\n";
        for (const ReportCard& card : cards)
            content += ReportCardRow(card, card.held > 0 ? "<span class=\"owned\">\xE2\x9C\x93 have</span>"
                                                         : "<span class=\"need\">need</span>");
        content += kTableEnd;
    } else {
        sub += "no cards found for this set";
        content = "<div class=\"empty\">No cards found for this set in the catalogue.</div>\n";
    }
    return BuildStaticReportPage(HtmlEscape(WideToUtf8(settings.title)), "Set Completion", &setName, sub, content);
}

bool WriteSetCompletionReport(sqlite3* db, const std::wstring& folder, const StoreSettings& settings,
                              const std::wstring& setName, int32_t& outTotal, int32_t& outHeld, std::string& outError)
{
    outTotal = 0;
    outHeld = 0;
    const std::string set = WideToUtf8(setName);
    std::vector<ReportCard> cards;
    if (!LoadSetCards(db, set, cards, outError))
        return false;
    const std::string page = BuildSetCompletionPage(cards, set, settings, FormatLongDate());
    if (!WriteFileByReplacement(folder + L"\\set-completion.html", page, WriteWholeFile,
                                "could not replace set-completion.html", outError))
        return false;
    outTotal = static_cast<int32_t>(cards.size());
    outHeld = CountHeld(cards);
    Log("Set-completion report written: %d of %d held", outHeld, outTotal);
    return true;
}
