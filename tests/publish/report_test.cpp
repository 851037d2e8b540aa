// The four report writers without a window: what each page lists, in which
// order and groups, with which counts, and that a failed run keeps the
// previous report.
#include "publish/report_cards.h"
#include "publish/report_page.h"
#include "publish/report_sales.h"

#include "core/catalogue.h"
#include "core/json.h"
#include "core/output.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/core/ledger_db_fixture.h"

#include <windows.h>

namespace {

// Every text between open and close, in page order.
std::vector<std::string> AllBetween(const std::string& page, const std::string& open, const std::string& close)
{
    std::vector<std::string> found;
    for (size_t at = page.find(open), end; at != std::string::npos; at = page.find(open, end)) {
        at += open.size();
        if ((end = page.find(close, at)) == std::string::npos)
            break;
        found.push_back(page.substr(at, end - at));
    }
    return found;
}

class ReportTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        InitDefaultStoreSettings(settings);
        out = folder.Path() + L"\\reports";
        CreateDirectoryW(out.c_str(), nullptr);
    }

    void Catalogue() { ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error; }

    void AddSale(const std::string& id, const std::string& soldAt, int qty, const std::string& price)
    {
        Exec(("INSERT INTO sales (card_id,variant,condition,qty,price,sold_at,channel) VALUES ('" + id +
              "','Holo','Mint'," + std::to_string(qty) + "," + price + ",'" + soldAt + "','eBay');").c_str());
    }

    std::string Report(const wchar_t* name) { return ReadFileBytes(out + L"\\" + name); }

    // "when|card|qty|price" per sale, read back from the page's SALES array.
    std::vector<std::string> SaleLines()
    {
        const auto data = AllBetween(Report(L"sales-report.html"), "const SALES = ", ";\nconst META = ");
        JsonValue sales;
        EXPECT_TRUE(data.size() == 1 && ParseJson(data[0], sales, error)) << error;
        std::vector<std::string> lines;
        for (const JsonValue& sale : sales.items) {
            char numbers[64];
            snprintf(numbers, sizeof numbers, "|%g|%.2f", JsonFindMember(sale, "qty")->number,
                     JsonFindMember(sale, "price")->number);
            lines.push_back(JsonGetString(sale, "d") + "|" + JsonGetString(sale, "card") + numbers);
        }
        return lines;
    }

    StoreSettings settings;
    std::wstring out;
    std::string error;
};

} // namespace

TEST_F(ReportTest, SalesComeNewestFirstWithTheirCardOrIdAndNoNegativePrice)
{
    Catalogue();
    Exec("INSERT INTO catalogue (card_id,name,set_name,number) VALUES ('a-1','Abra','Base','43'),('e-1','','Base','7');");
    AddSale("a-1", "2026-03-01 10:00:00", 2, "1.5");
    AddSale("gone-9", "2026-03-01 10:00:00", 1, "-4");
    AddSale("e-1", "2026-02-28 23:59:59", 3, "NULL");
    AddSale("a-1", "2026-03-02 08:00:00", 1, "9e999");
    settings.title = L"Tom's <b>Cards</b>";
    int32_t count = -1;

    ASSERT_TRUE(WriteSalesReport(db.get(), out, settings, count, error)) << error;
    EXPECT_EQ(count, 4);
    EXPECT_EQ(SaleLines(), (std::vector<std::string>{"2026-03-02 08:00:00|Abra|1|0.00",
                                                     "2026-03-01 10:00:00|gone-9|1|0.00",
                                                     "2026-03-01 10:00:00|Abra|2|1.50",
                                                     "2026-02-28 23:59:59|e-1|3|0.00"}));
    EXPECT_EQ(Report(L"sales-report.html").find("<b>Cards"), std::string::npos);

    Exec("DELETE FROM sales;");
    ASSERT_TRUE(WriteSalesReport(db.get(), out, settings, count, error)) << error;
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(SaleLines().empty());
}

// Before the first online update there is no catalogue table at all.
TEST_F(ReportTest, WithoutACatalogueEveryReportIsWrittenWithItsEmptyResult)
{
    AddSale("base1-4", "2026-03-01 10:00:00", 1, "2");
    Exec("INSERT INTO card_flags (card_id,want,tradable) VALUES ('base1-4',1,1);"
         "INSERT INTO collection (card_id,variant,condition,qty) VALUES ('base1-4','Standard','Mint',2);");
    int32_t count = -1, owned = -1;

    ASSERT_TRUE(WriteSalesReport(db.get(), out, settings, count, error)) << error;
    EXPECT_EQ(SaleLines(), std::vector<std::string>{"2026-03-01 10:00:00|base1-4|1|2.00"});
    ASSERT_TRUE(WriteFlagReport(db.get(), out, settings, true, count, owned, error)) << error;
    EXPECT_EQ(count, 1);
    EXPECT_EQ(owned, 1);
    ASSERT_TRUE(WriteSetCompletionReport(db.get(), out, settings, L"Base", count, owned, error)) << error;
    EXPECT_EQ(count, 0);
}

TEST_F(ReportTest, FlaggedAndSetCardsFormOneGroupPerSetInNaturalNumberOrder)
{
    Catalogue();
    // Two sets whose names differ only in case, and one sorting between them
    // when case is ignored but bytes are not ("_" is between "B" and "b").
    Exec("INSERT INTO catalogue (card_id,name,set_name,number,set_total,rarity) VALUES "
         "('b-10','Blastoise','Base','10','102','Rare <Holo>'),('b-2','Alakazam','Base','2','102','Common'),"
         "('b-2a','alakazam','Base','2a','',''),('l-5','Lower','base','5','5',''),"
         "('bb-1','Between','Base_B','1','9',''),('j-1','Jigglypuff','Jungle','1','64','');"
         "INSERT INTO card_flags (card_id,want,tradable) VALUES ('b-10',1,1),('b-2',1,1),('b-2a',1,1),"
         "('l-5',1,1),('bb-1',1,1),('j-1',1,1),('lost-1',1,1),('b-99',0,0);"
         // b-2: sale stock only; b-10: both ledgers, all conditions; j-1: a row of nothing is not held.
         "INSERT INTO inventory (card_id,variant,condition,qty) VALUES ('b-2','Standard','Mint',1),"
         "('b-10','Standard','Played',3);"
         "INSERT INTO collection (card_id,variant,condition,qty) VALUES ('b-10','Standard','Mint',2),"
         "('j-1','Standard','Mint',0);");
    int32_t rows = -1, owned = -1;

    ASSERT_TRUE(WriteFlagReport(db.get(), out, settings, true, rows, owned, error)) << error;
    EXPECT_EQ(rows, 7);
    EXPECT_EQ(owned, 2);
    const std::string wishlist = Report(L"wishlist-report.html");
    EXPECT_EQ(AllBetween(wishlist, "<h2>", "</h2>"),
              (std::vector<std::string>{"(no set)", "Base", "base", "Base_B", "Jungle"}));
    EXPECT_EQ(AllBetween(wishlist, "<tr><td>", "</td>"),
              (std::vector<std::string>{"lost-1", "Alakazam", "alakazam", "Blastoise", "Lower", "Between",
                                        "Jigglypuff"}));
    EXPECT_NE(wishlist.find("Rare &lt;Holo&gt;"), std::string::npos);

    Exec("UPDATE card_flags SET tradable = 0 WHERE card_id <> 'b-10';");
    ASSERT_TRUE(WriteFlagReport(db.get(), out, settings, false, rows, owned, error)) << error;
    EXPECT_EQ(rows, 1);
    EXPECT_NE(Report(L"trade-list.html").find("<td class=\"num\">5</td></tr>"), std::string::npos);

    Exec("DELETE FROM card_flags;");
    ASSERT_TRUE(WriteFlagReport(db.get(), out, settings, true, rows, owned, error)) << error;
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(Report(L"wishlist-report.html").find("<table>"), std::string::npos);

    // Set completion counts held cards (either ledger) of exactly that set.
    ASSERT_TRUE(WriteSetCompletionReport(db.get(), out, settings, L"Base", rows, owned, error)) << error;
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(owned, 2);
    EXPECT_EQ(AllBetween(Report(L"set-completion.html"), "<tr><td>", "</td>"),
              (std::vector<std::string>{"Alakazam", "alakazam", "Blastoise"}));
    ASSERT_TRUE(WriteSetCompletionReport(db.get(), out, settings, L"base", rows, owned, error)) << error;
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(owned, 0);
}

TEST_F(ReportTest, AFailedRunKeepsThePreviousReportAndLeavesNoTemporaryFile)
{
    Catalogue();
    const wchar_t* files[] = {L"sales-report.html", L"wishlist-report.html", L"trade-list.html",
                              L"set-completion.html"};
    const auto write = [this](int kind) {
        int32_t first = 0, second = 0;
        if (kind == 0)
            return WriteSalesReport(db.get(), out, settings, first, error);
        if (kind == 3)
            return WriteSetCompletionReport(db.get(), out, settings, L"Base", first, second, error);
        return WriteFlagReport(db.get(), out, settings, kind == 1, first, second, error);
    };
    for (int kind = 0; kind < 4; ++kind) {
        const std::wstring path = out + L"\\" + files[kind];
        WriteFileBytes(path, "previous report");
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_FALSE(write(kind));
        EXPECT_EQ(ReadFileBytes(path), "previous report");
        EXPECT_FALSE(FileExists(path + L".tmp"));
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    }
    // A read that fails writes nothing rather than an empty report.
    Exec("DROP TABLE sales; DROP TABLE card_flags; DROP TABLE inventory;");
    for (int kind = 0; kind < 4; ++kind) {
        EXPECT_FALSE(write(kind));
        EXPECT_EQ(ReadFileBytes(out + L"\\" + files[kind]), "previous report");
    }
}

TEST(ReportPage, EscapingLeavesNoMarkupAndOnlyWellFormedText)
{
    EXPECT_EQ(HtmlEscape("a&b\"c<d>e"), "a&amp;b&quot;c&lt;d&gt;e");
    EXPECT_EQ(HtmlEscape("Pok\xC3\xA9mon \xFF<"), "Pok\xC3\xA9mon \xEF\xBF\xBD&lt;");
    EXPECT_EQ(FindBodyClose("x</BODY></body></body>"), 8u);
}
