#include "publish/report_page.h"

#include "core/catalogue.h"
#include "core/output.h"
#include "core/text.h"

size_t FindBodyClose(std::string_view page)
{
    return page.find("</body>");
}

std::string HtmlEscape(std::string_view text)
{
    const std::string valid = ToValidUtf8(text);
    std::string out;
    // Room for a few entities without growing again.
    out.reserve(valid.size() + 8);
    for (const char c : valid) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string MakeReportTitle(const std::string& escapedTitle, const char* word)
{
    return escapedTitle.empty() ? std::string(word) : escapedTitle + " - " + word;
}

std::string MakeReportHeading(const std::string& escapedTitle, const char* word)
{
    return escapedTitle.empty() ? std::string(word) : escapedTitle + " &mdash; " + word;
}

const char kReportCss[] = R"css(
body{margin:0;font-family:Arial,Helvetica,sans-serif;background:#f5f7fa;color:#172033}
.wrap{max-width:1000px;margin:0 auto;padding:16px}
h1{color:#1f4e78;font-size:1.4rem;margin:0 0 3px}
h2{color:#1f4e78;font-size:1.05rem;margin:18px 0 6px;border-bottom:2px solid #dbe6f0;padding-bottom:3px}
.sub{color:#5a6b7b;font-size:.9rem;margin-bottom:14px}
.noprint{margin-bottom:12px}
button{font:inherit;padding:8px 13px;border:1px solid #aebdca;background:#fff;border-radius:7px;cursor:pointer}
button:hover{background:#eef3f8}
.tw{background:#fff;border:1px solid #c9d5df;border-radius:10px;overflow:hidden;margin-bottom:10px}
table{width:100%;border-collapse:collapse}
th,td{padding:7px 10px;text-align:left;border-bottom:1px solid #e9eff4;font-size:.85rem}
th{background:#eef3f8;color:#1f4e78}
th.num,td.num{text-align:right}
tbody tr:last-child td{border-bottom:none}
.owned{color:#1a7f4b;font-weight:bold}
.need{color:#c0392b;font-weight:bold}
.muted{color:#8a98a6}
.empty{padding:22px;text-align:center;color:#7a8896;background:#fff;border:1px solid #c9d5df;border-radius:10px}
@media print{.noprint{display:none}body{background:#fff}.tw{border:none}}
)css";

std::string BuildStaticReportPage(const std::string& escapedTitle, const char* word, const std::string* setName,
                                  const std::string& subLine, const std::string& content)
{
    std::string page;
    page.reserve(content.size() + 4096);
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">\n";
    page += "<title>" + MakeReportTitle(escapedTitle, word) + "</title>\n<style>";
    page += kReportCss;
    page += kFooterStyle;
    page += "</style>\n</head>\n<body>\n";
    page += "<div class=\"wrap\">\n<h1>" + MakeReportHeading(escapedTitle, word) + "</h1>\n";
    if (setName)
        page += "<h2>" + HtmlEscape(*setName) + "</h2>\n";
    page += "<div class=\"sub\">" + subLine + "</div>\n";
    page += "<div class=\"noprint\"><button onclick=\"window.print()\">Print</button></div>\n";
    page += content;
    page += BuildFooterHtml();
    page += "</div>\n</body>\n</html>\n";
    return page;
}

std::string ReportCardRow(const ReportCard& card, std::string_view statusCell)
{
    std::string row = "<tr><td>" + HtmlEscape(card.name) + "</td><td>";
    row += HtmlEscape(card.setTotal.empty() ? card.number : card.number + "/" + card.setTotal);
    row += "</td><td>" + HtmlEscape(card.rarity) + "</td><td class=\"num\">";
    row += statusCell;
    row += "</td></tr>\n";
    return row;
}

bool ReportCatalogueSource(sqlite3* db, std::string& source, std::string& error)
{
    bool exists = false;
    if (!CatalogueExists(db, exists, error))
        return false;
    source = exists ? "catalogue"
                    : "(SELECT NULL AS card_id, NULL AS name, NULL AS set_name, NULL AS number, NULL AS set_total, "
                      "NULL AS rarity WHERE 0)";
    return true;
}
