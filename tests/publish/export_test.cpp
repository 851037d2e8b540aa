// The export texts: field rules, the card list and the stock CSV, built from
// a real database in the test's own folder.
#include "publish/export_card_list.h"
#include "publish/export_fields.h"
#include "publish/export_stock.h"

#include "core/catalogue.h"
#include "tests/core/ledger_db_fixture.h"

namespace {

const std::string kFffd = "\xEF\xBF\xBD";
const std::string kCsvHead = "Card ID,Name,Set,Number,Total,Rarity,Variant,Condition,Qty,Price\r\n";
const std::string kStockHead = "Card ID,Name,Set,Variant,Condition,Qty,Price,Location\r\n";

TEST(ExportFields, FormulasAreGuardedAndFieldsNeverSplitOrMergeCells)
{
    for (const char* trigger : {"=", "+", "-", "@", "\t", "\r"}) {
        const std::string text = std::string(trigger) + "SUM(A1)";
        EXPECT_EQ(GuardSpreadsheetFormula(text), "'" + text) << int(trigger[0]);
        EXPECT_EQ(CsvField(text).find("'" + text), text[0] == '\r' ? 1u : 0u) << int(trigger[0]);
    }
    for (const char* passes : {"\nSUM(A1)", "'=x", " =x", ""})
        EXPECT_EQ(GuardSpreadsheetFormula(passes), passes);
    EXPECT_EQ(CsvField("=a,\"b\""), "\"'=a,\"\"b\"\"\"");
    EXPECT_EQ(CsvField("Pok\xC3\xA9mon 'x' ;|"), "Pok\xC3\xA9mon 'x' ;|");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("a\rb"), "\"a\rb\"");
    EXPECT_EQ(TsvField("\t=x"), " =x");
    EXPECT_EQ(TsvField(std::string("a\tb\r\nc\0d", 8)), "a b  c d");
    // Only a leading quote makes a pasted field a quoted one.
    EXPECT_EQ(TsvField("\"\ttail"), "\"\"\" tail\"");
    EXPECT_EQ(TsvField("Farfetch\"d, \"x\""), "Farfetch\"d, \"x\"");
    EXPECT_EQ(FormatPrice(1234567.891), "1234567.89");
}

class ExportDbTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    }

    std::string CardList(Ledger ledger, ExportFormat format, const std::vector<std::string>& selected = {})
    {
        return NoError(BuildStockExport(db.get(), selected, format, error, ledger));
    }
    std::string StockCsv(Ledger ledger) { return NoError(BuildStockCsvBackup(db.get(), error, ledger)); }
    std::string NoError(const std::string& text)
    {
        EXPECT_EQ(error, "");
        return text;
    }

    void Insert(const char* sql, const std::vector<std::string>& values)
    {
        StmtHandle stmt = PrepareStmt(db.get(), sql, error);
        ASSERT_TRUE(stmt) << error;
        for (size_t i = 0; i < values.size(); ++i)
            BindText(stmt.get(), static_cast<int>(i + 1), values[i]);
        ASSERT_TRUE(StepDone(stmt.get(), error)) << error;
    }

    std::string error;
};

TEST_F(ExportDbTest, CardListOrdersEscapesAndAddsCheckedCardsWithoutStockOnce)
{
    Exec("INSERT INTO catalogue (card_id,name,set_name,number,set_total,rarity) VALUES "
         "('base1-4','Charizard','Base, Unlimited','4','102','Rare Holo'),"
         "('base1-58','=HYPERLINK(\"http://x\")','Base, Unlimited','58','102','Common'),"
         "('jungle-1','Clefable \"Big\"\tTwo','Jungle','1','','Rare'),"
         "('fossil-1','Aerodactyl','Fossil','1','62','Rare Holo');");
    // fossil-1's row is emptied: never listed.
    const char* rows = "VALUES ('jungle-1','Standard','Mint',1,12),('base1-4','Reverse Holo','Near Mint',2,4.5),"
                       "('base1-4','Holo','Played',1,1234.567),('base1-58','','Mint',3,0.1),"
                       "('promo-9','Standard','Played',1,2),('fossil-1','Standard','Mint',0,9)";
    Exec((std::string("INSERT INTO inventory (card_id,variant,condition,qty,price) ") + rows + ";").c_str());
    Exec((std::string("INSERT INTO collection (card_id,variant,condition,qty) SELECT column1,column2,column3,column4 "
                      "FROM (") + rows + ");").c_str());

    const std::string charizards =
        "base1-4,Charizard,\"Base, Unlimited\",4,102,Rare Holo,Holo,Played,1,1234.57\r\n"
        "base1-4,Charizard,\"Base, Unlimited\",4,102,Rare Holo,Reverse Holo,Near Mint,2,4.50\r\n";
    const std::string hyperlink =
        "base1-58,\"'=HYPERLINK(\"\"http://x\"\")\",\"Base, Unlimited\",58,102,Common,,Mint,3,0.10\r\n";
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv),
              kCsvHead + "promo-9,promo-9,,,,,Standard,Played,1,2.00\r\n" + hyperlink + charizards +
                  "jungle-1,\"Clefable \"\"Big\"\"\tTwo\",Jungle,1,,Rare,Standard,Mint,1,12.00\r\n");
    // The collection has no prices.
    EXPECT_NE(CardList(Ledger::Collection, ExportFormat::Csv).find("\r\npromo-9,promo-9,,,,,Standard,Played,1,\r\n"),
              std::string::npos);
    EXPECT_EQ(CardList(Ledger::Collection, ExportFormat::Clipboard).find("12.00"), std::string::npos);
    EXPECT_EQ(CardList(Ledger::Collection, ExportFormat::Txt).find("@ $"), std::string::npos);

    // fossil-1 holds only an emptied row; gone-1 is neither stocked nor
    // catalogued; jungle-1's stock is left out unchecked.
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv, {"fossil-1", "base1-4", "gone-1", "fossil-1", "base1-58"}),
              kCsvHead + hyperlink + charizards + "fossil-1,Aerodactyl,Fossil,1,62,Rare Holo,,,0,\r\n" +
                  "gone-1,gone-1,,,,,,,0,\r\n");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Txt, {"jungle-1", "fossil-1"}),
              "Clefable \"Big\"\tTwo (Jungle #1) [Rare] - Mint x1 @ $12.00\r\n"
              "Aerodactyl (Fossil #1/62) [Rare Holo] - none in stock\r\n");

    Exec("DELETE FROM inventory;");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv), kCsvHead);
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Txt), "");
    Exec("DROP TABLE inventory;");
    EXPECT_EQ(BuildStockExport(db.get(), {}, ExportFormat::Csv, error, Ledger::Sale), "");
    EXPECT_NE(error.find("inventory"), std::string::npos) << error;
}

TEST_F(ExportDbTest, StockIsListedBeforeTheCatalogueHasBeenFetched)
{
    Exec("DROP TABLE catalogue;");
    Exec("INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES ('b-2','Holo','Mint',1,3),"
         "('a-1','Standard','Played',2,1);");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv, {"b-2", "a-1", "c-3"}),
              kCsvHead + "a-1,a-1,,,,,Standard,Played,2,1.00\r\nb-2,b-2,,,,,Holo,Mint,1,3.00\r\nc-3,c-3,,,,,,,0,\r\n");
    Exec("INSERT INTO variant_location (ledger,card_id,variant,location) VALUES ('sale','a-1','Standard','Box 1');");
    EXPECT_EQ(StockCsv(Ledger::Sale), kStockHead + "a-1,,,Standard,Played,2,1.00,Box 1\r\nb-2,,,Holo,Mint,1,3.00,\r\n");
}

TEST_F(ExportDbTest, IllFormedCardTextReachesEveryFormatAsReplacementCharacters)
{
    const Ledger sale = Ledger::Sale;
    Insert("INSERT INTO catalogue (card_id,name,set_name,number,set_total,rarity) VALUES ('x-1',?,?,'1','2','R');",
           {"Bad\xC3,\xFFname", "Set\xE2\x82"});
    Insert("INSERT INTO variant_location (ledger,card_id,variant,location) VALUES ('sale','x-1','Standard',?);",
           {"Bin \xF0\x9F"});
    Exec("INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES ('x-1','Standard','Mint',1,1);");
    const std::string name = "Bad" + kFffd + "," + kFffd + "name";
    EXPECT_NE(CardList(sale, ExportFormat::Csv).find("x-1,\"" + name + "\",Set" + kFffd + ",1,2,R,"),
              std::string::npos);
    EXPECT_NE(CardList(sale, ExportFormat::Clipboard).find("x-1\t" + name + "\tSet" + kFffd + "\t"),
              std::string::npos);
    EXPECT_EQ(CardList(sale, ExportFormat::Txt), name + " (Set" + kFffd + " #1/2) [R] - Mint x1 @ $1.00\r\n");
    EXPECT_NE(StockCsv(sale).find(",Bin " + kFffd + "\r\n"), std::string::npos);
}

TEST_F(ExportDbTest, StockCsvHoldsEveryRowOfTheLedgerWithItsOwnLocations)
{
    EXPECT_EQ(StockCsv(Ledger::Collection), "");
    Exec("INSERT INTO catalogue (card_id,name,set_name,number,set_total,rarity) "
         "VALUES ('b-1','Blastoise','Base','2','102','Rare Holo');"
         "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES ('d-1','Standard','Mint',0,1.5),"
         "('b-1','Standard','Near Mint',2,20),('b-1','Holo','Mint',1,99.999);"
         "INSERT INTO collection (card_id,variant,condition,qty) VALUES ('d-1','Standard','Mint',0),"
         "('b-1','Standard','Near Mint',2),('b-1','Holo','Mint',1);"
         "INSERT INTO variant_location (ledger,card_id,variant,location) VALUES "
         "('sale','b-1','Standard','Binder 2, page \"7\"'),('sale','d-1','Standard','=cmd|'' /c calc''!A0'),"
         "('coll','b-1','Standard','Shelf'||char(13,10)||'Top');");

    EXPECT_EQ(StockCsv(Ledger::Sale), kStockHead + "b-1,Blastoise,Base,Holo,Mint,1,100.00,\r\n"
                                                   "b-1,Blastoise,Base,Standard,Near Mint,2,20.00,\"Binder 2, page "
                                                   "\"\"7\"\"\"\r\n"
                                                   "d-1,,,Standard,Mint,0,1.50,'=cmd|' /c calc'!A0\r\n");
    EXPECT_EQ(StockCsv(Ledger::Collection), kStockHead + "b-1,Blastoise,Base,Holo,Mint,1,,\r\n"
                                                        "b-1,Blastoise,Base,Standard,Near Mint,2,,\"Shelf\r\nTop\"\r\n"
                                                        "d-1,,,Standard,Mint,0,,\r\n");
    Exec("DROP TABLE variant_location;");
    EXPECT_EQ(BuildStockCsvBackup(db.get(), error, Ledger::Sale), "");
    EXPECT_NE(error.find("variant_location"), std::string::npos) << error;
}

} // namespace
