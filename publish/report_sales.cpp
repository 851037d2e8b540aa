#include "publish/report_sales.h"

#include "core/db.h"
#include "core/file_replace.h"
#include "core/log.h"
#include "core/output.h"
#include "core/text.h"
#include "publish/report_page.h"
#include "publish/report_sales_page.h"

#include <cmath>

bool LoadSalesReportRows(sqlite3* db, std::vector<SalesReportRow>& rows, std::string& error)
{
    rows.clear();
    std::string catalogue;
    if (!ReportCatalogueSource(db, catalogue, error))
        return false;
    const std::string sql = "SELECT s.sold_at, COALESCE(NULLIF(c.name,''), s.card_id), c.set_name, c.number, "
                            "s.variant, s.condition,        s.qty, s.price, s.channel FROM sales s LEFT JOIN " +
                            catalogue + " c ON c.card_id = s.card_id ORDER BY s.sold_at DESC, s.sale_id DESC;";
    StmtHandle stmt = PrepareStmt(db, sql.c_str(), error);
    if (!stmt)
        return false;
    return ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        SalesReportRow sale;
        sale.soldAt = ColumnTextString(row, 0);
        sale.card = ColumnTextString(row, 1);
        sale.set = ColumnTextString(row, 2);
        sale.number = ColumnTextString(row, 3);
        sale.variant = ColumnTextString(row, 4);
        sale.condition = ColumnTextString(row, 5);
        sale.qty = sqlite3_column_int(row, 6);
        sale.price = sqlite3_column_double(row, 7);
        sale.channel = ColumnTextString(row, 8);
        if (!std::isfinite(sale.price) || sale.price < 0.0) {
            Log("SalesReport: non-finite/negative price for %s clamped to 0.00", sale.card.c_str());
            sale.price = 0.0;
        }
        rows.push_back(std::move(sale));
    });
}

std::string BuildSalesReportPage(const std::vector<SalesReportRow>& rows, const StoreSettings& settings,
                                 const std::string& generated)
{
    std::string sales = "[\n";
    sales.reserve(rows.size() * 160 + 8);
    for (size_t i = 0; i < rows.size(); ++i) {
        const SalesReportRow& sale = rows[i];
        if (i)
            sales += ",\n";
        sales += '{';
        AppendJsonText(sales, "d", sale.soldAt);
        sales += ',';
        AppendJsonText(sales, "card", sale.card);
        sales += ',';
        AppendJsonText(sales, "set", sale.set);
        sales += ',';
        AppendJsonText(sales, "num", sale.number);
        sales += ',';
        AppendJsonText(sales, "var", sale.variant);
        sales += ',';
        AppendJsonText(sales, "cond", sale.condition);
        sales += ",\"qty\":" + std::to_string(sale.qty);
        sales += ",\"price\":" + PriceNumberText(sale.price);
        sales += ',';
        AppendJsonText(sales, "ch", sale.channel);
        sales += '}';
    }
    sales += "\n]";

    const std::string meta = "{generated:\"" + JsonEsc(generated) + "\",store:\"" +
                             JsonEsc(WideToUtf8(settings.title)) + "\",cursym:\"" +
                             JsonEsc(WideToUtf8(settings.currencySymbol)) + "\"}";

    std::string page;
    page.reserve(sales.size() + meta.size() + 16 * 1024);
    page += kSalesReportTemplate;
    page += "const SALES = ";
    page += sales;
    page += ";\nconst META = ";
    page += meta;
    page += ";\n";
    page += kSalesReportScript;

    // The data cannot hold either anchor: JsonEsc escapes '<' and '>'.
    const size_t styleClose = FindStyleClose(page);
    if (styleClose != std::string::npos)
        page.insert(styleClose, kFooterStyle);
    const size_t bodyClose = FindBodyClose(page);
    if (bodyClose != std::string::npos)
        page.insert(bodyClose, BuildFooterHtml());
    return page;
}

bool WriteSalesReport(sqlite3* db, const std::wstring& folder, const StoreSettings& settings, int32_t& outRowCount,
                      std::string& outError)
{
    outRowCount = 0;
    std::vector<SalesReportRow> rows;
    if (!LoadSalesReportRows(db, rows, outError))
        return false;
    const std::string page = BuildSalesReportPage(rows, settings, FormatLongDate());
    if (!WriteFileByReplacement(folder + L"\\sales-report.html", page, WriteWholeFile,
                                "could not replace sales-report.html", outError))
        return false;
    outRowCount = static_cast<int32_t>(rows.size());
    Log("Sales report written: %d sale row(s)", outRowCount);
    return true;
}
