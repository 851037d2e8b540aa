// The export texts: field rules, the card list and the stock CSV, built from
// a real database in the test's own folder.
#include "publish/export_card_list.h"
#include "publish/export_fields.h"
#include "publish/export_stock.h"

#include "core/catalogue.h"
#include "tests/core/ledger_db_fixture.h"

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(ExportFields, EveryFormulaTriggerIsGuardedAndALineFeedIsNot)
{
    for (const char* trigger : {"=", "+", "-", "@", "\t", "\r"}) {
        const std::string text = std::string(trigger) + "SUM(A1)";
        EXPECT_EQ(GuardSpreadsheetFormula(text), "'" + text) << int(trigger[0]);
        EXPECT_EQ(CsvField(text).find("'" + text), text[0] == '\r' ? 1u : 0u) << int(trigger[0]);
    }
    for (const char* passes : {"\nSUM(A1)", "SUM(A1)", "'=x", " =x", ""})
        EXPECT_EQ(GuardSpreadsheetFormula(passes), passes);
    // The guard comes first, then the quoting of the whole guarded text.
    EXPECT_EQ(CsvField("=a,\"b\""), "\"'=a,\"\"b\"\"\"");
    EXPECT_EQ(TsvField("=a\tb"), "'=a b");
    // A TAB or CR in front turns into a blank before the guard looks.
    EXPECT_EQ(TsvField("\t=x"), " =x");
    EXPECT_EQ(TsvField("\r=x"), " =x");
}

TEST(ExportFields, CsvQuotesOnlyWhatASpreadsheetWouldSplit)
{
    EXPECT_EQ(CsvField("Pikachu"), "Pikachu");
    EXPECT_EQ(CsvField("Pok\xC3\xA9mon 'x' ;|"), "Pok\xC3\xA9mon 'x' ;|");
    EXPECT_EQ(CsvField("Base, Unlimited"), "\"Base, Unlimited\"");
    EXPECT_EQ(CsvField("Farfetch\"d"), "\"Farfetch\"\"d\"");
    EXPECT_EQ(CsvField("\"\""), "\"\"\"\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("a\rb"), "\"a\rb\"");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(FormatPrice(1234567.891), "1234567.89");
    EXPECT_EQ(FormatPrice(4.5), "4.50");
}

TEST(ExportFields, ClipboardFieldsNeverSplitOrMergeCells)
{
    EXPECT_EQ(TsvField("a\tb\r\nc"), "a b  c");
    EXPECT_EQ(TsvField(std::string("a\0b", 3)), "a b");
    // Only a leading quote makes a pasted field a quoted one.
    EXPECT_EQ(TsvField("\"Big\" Pikachu"), "\"\"\"Big\"\" Pikachu\"");
    EXPECT_EQ(TsvField("\"\ttail"), "\"\"\" tail\"");
    EXPECT_EQ(TsvField("Farfetch\"d, \"x\""), "Farfetch\"d, \"x\"");
    EXPECT_EQ(TsvField(" \"x\""), " \"x\"");
    EXPECT_EQ(TsvField("=\"x\""), "'=\"x\"");
}

class ExportDbTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        std::string error;
        ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    }

    void AddCard(const std::string& id, const std::string& name, const std::string& set, const std::string& number,
                 const std::string& total, const std::string& rarity)
    {
        Insert("INSERT INTO catalogue (card_id,name,set_name,number,set_total,rarity) VALUES (?,?,?,?,?,?);",
               {id, name, set, number, total, rarity});
    }

    void AddStock(Ledger ledger, const std::string& id, const std::string& variant, const std::string& condition,
                  int qty, double price = 0.0)
    {
        const bool sale = ledger == Ledger::Sale;
        std::string error;
        StmtHandle stmt = PrepareStmt(db.get(),
                                      sale ? "INSERT INTO inventory (card_id,variant,condition,qty,price) "
                                             "VALUES (?,?,?,?,?);"
                                           : "INSERT INTO collection (card_id,variant,condition,qty) VALUES (?,?,?,?);",
                                      error);
        ASSERT_TRUE(stmt) << error;
        BindText(stmt.get(), 1, id);
        BindText(stmt.get(), 2, variant);
        BindText(stmt.get(), 3, condition);
        sqlite3_bind_int(stmt.get(), 4, qty);
        if (sale)
            sqlite3_bind_double(stmt.get(), 5, price);
        ASSERT_TRUE(StepDone(stmt.get(), error)) << error;
    }

    void AddLocation(const char* ledgerKey, const std::string& id, const std::string& variant,
                     const std::string& location)
    {
        Insert("INSERT INTO variant_location (ledger,card_id,variant,location) VALUES (?,?,?,?);",
               {ledgerKey, id, variant, location});
    }

    std::string CardList(Ledger ledger, ExportFormat format, const std::vector<std::string>& selected = {})
    {
        std::string error;
        const std::string text = BuildStockExport(db.get(), selected, format, error, ledger);
        EXPECT_EQ(error, "");
        return text;
    }

    std::string StockCsv(Ledger ledger)
    {
        std::string error;
        const std::string text = BuildStockCsvBackup(db.get(), error, ledger);
        EXPECT_EQ(error, "");
        return text;
    }

private:
    void Insert(const char* sql, const std::vector<std::string>& values)
    {
        std::string error;
        StmtHandle stmt = PrepareStmt(db.get(), sql, error);
        ASSERT_TRUE(stmt) << error;
        for (size_t i = 0; i < values.size(); ++i)
            BindText(stmt.get(), static_cast<int>(i + 1), values[i]);
        ASSERT_TRUE(StepDone(stmt.get(), error)) << error;
    }
};

// Three catalogued cards in two sets, stock of one card the catalogue lacks,
// and an emptied row that must not be listed.
class CardListTest : public ExportDbTest {
protected:
    void SetUp() override
    {
        ExportDbTest::SetUp();
        AddCard("base1-4", "Charizard", "Base, Unlimited", "4", "102", "Rare Holo");
        AddCard("base1-58", "=HYPERLINK(\"http://x\")", "Base, Unlimited", "58", "102", "Common");
        AddCard("jungle-1", "Clefable \"Big\"\tTwo", "Jungle", "1", "", "Rare");
        AddCard("fossil-1", "Aerodactyl", "Fossil", "1", "62", "Rare Holo");
        for (Ledger ledger : {Ledger::Sale, Ledger::Collection}) {
            AddStock(ledger, "jungle-1", "Standard", "Mint", 1, 12);
            AddStock(ledger, "base1-4", "Reverse Holo", "Near Mint", 2, 4.5);
            AddStock(ledger, "base1-4", "Holo", "Played", 1, 1234.567);
            AddStock(ledger, "base1-58", "", "Mint", 3, 0.1);
            AddStock(ledger, "promo-9", "Standard", "Played", 1, 2);
            AddStock(ledger, "fossil-1", "Standard", "Mint", 0, 9);
        }
    }
};

TEST_F(CardListTest, SaleCsvListsUncataloguedStockFirstThenBySetAndNameWithEveryFieldEscaped)
{
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv),
              "Card ID,Name,Set,Number,Total,Rarity,Variant,Condition,Qty,Price\r\n"
              "promo-9,promo-9,,,,,Standard,Played,1,2.00\r\n"
              "base1-58,\"'=HYPERLINK(\"\"http://x\"\")\",\"Base, Unlimited\",58,102,Common,,Mint,3,0.10\r\n"
              "base1-4,Charizard,\"Base, Unlimited\",4,102,Rare Holo,Holo,Played,1,1234.57\r\n"
              "base1-4,Charizard,\"Base, Unlimited\",4,102,Rare Holo,Reverse Holo,Near Mint,2,4.50\r\n"
              "jungle-1,\"Clefable \"\"Big\"\"\tTwo\",Jungle,1,,Rare,Standard,Mint,1,12.00\r\n");
}

TEST_F(CardListTest, OnlyTheSaleLedgerHasPricesInCsvClipboardAndTxt)
{
    const std::string csv = CardList(Ledger::Collection, ExportFormat::Csv);
    EXPECT_NE(csv.find("\r\npromo-9,promo-9,,,,,Standard,Played,1,\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\nbase1-4,Charizard,\"Base, Unlimited\",4,102,Rare Holo,Holo,Played,1,\r\n"),
              std::string::npos);
    EXPECT_EQ(CardList(Ledger::Collection, ExportFormat::Txt),
              "promo-9 ( #) [] - Played x1\r\n"
              "=HYPERLINK(\"http://x\") (Base, Unlimited #58/102) [Common] - Mint x3\r\n"
              "Charizard (Base, Unlimited #4/102) [Rare Holo] - Holo Played x1\r\n"
              "Charizard (Base, Unlimited #4/102) [Rare Holo] - Reverse Holo Near Mint x2\r\n"
              "Clefable \"Big\"\tTwo (Jungle #1) [Rare] - Mint x1\r\n");
    const std::string saleTxt = CardList(Ledger::Sale, ExportFormat::Txt);
    EXPECT_NE(saleTxt.find("Charizard (Base, Unlimited #4/102) [Rare Holo] - Reverse Holo Near Mint x2 @ $4.50\r\n"),
              std::string::npos) << saleTxt;
    const std::string clip = CardList(Ledger::Collection, ExportFormat::Clipboard);
    EXPECT_NE(clip.find("\r\njungle-1\tClefable \"Big\" Two\tJungle\t1\t\tRare\tStandard\tMint\t1\t\r\n"),
              std::string::npos) << clip;
}

TEST_F(CardListTest, CheckedCardsWithoutStockFollowTheStockOnceEachInCheckedOrder)
{
    // fossil-1 holds only an emptied row; gone-1 is neither stocked nor
    // catalogued; base1-4 has stock; jungle-1's stock is left out unchecked.
    const std::vector<std::string> checked = {"fossil-1", "base1-4", "gone-1", "fossil-1", "base1-58"};
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv, checked),
              "Card ID,Name,Set,Number,Total,Rarity,Variant,Condition,Qty,Price\r\n"
              "base1-58,\"'=HYPERLINK(\"\"http://x\"\")\",\"Base, Unlimited\",58,102,Common,,Mint,3,0.10\r\n"
              "base1-4,Charizard,\"Base, Unlimited\",4,102,Rare Holo,Holo,Played,1,1234.57\r\n"
              "base1-4,Charizard,\"Base, Unlimited\",4,102,Rare Holo,Reverse Holo,Near Mint,2,4.50\r\n"
              "fossil-1,Aerodactyl,Fossil,1,62,Rare Holo,,,0,\r\n"
              "gone-1,gone-1,,,,,,,0,\r\n");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Clipboard, {"fossil-1", "gone-1"}),
              "Card ID\tName\tSet\tNumber\tTotal\tRarity\tVariant\tCondition\tQty\tPrice\r\n"
              "fossil-1\tAerodactyl\tFossil\t1\t62\tRare Holo\t\t\t0\t\r\n"
              "gone-1\tgone-1\t\t\t\t\t\t\t0\t\r\n");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Txt, {"jungle-1", "fossil-1"}),
              "Clefable \"Big\"\tTwo (Jungle #1) [Rare] - Mint x1 @ $12.00\r\n"
              "Aerodactyl (Fossil #1/62) [Rare Holo] - none in stock\r\n");
    EXPECT_EQ(CardList(Ledger::Collection, ExportFormat::Txt, {"fossil-1"}),
              "Aerodactyl (Fossil #1/62) [Rare Holo] - none in collection\r\n");
}

TEST_F(CardListTest, AnEmptyLedgerGivesTheHeaderAloneOrNoTextAndAFailedReadAnError)
{
    Exec("DELETE FROM inventory;");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv),
              "Card ID,Name,Set,Number,Total,Rarity,Variant,Condition,Qty,Price\r\n");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Txt), "");
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Txt, {"base1-4"}),
              "Charizard (Base, Unlimited #4/102) [Rare Holo] - none in stock\r\n");

    Exec("DROP TABLE inventory;");
    std::string error;
    EXPECT_EQ(BuildStockExport(db.get(), {}, ExportFormat::Csv, error, Ledger::Sale), "");
    EXPECT_NE(error.find("no such table: inventory"), std::string::npos) << error;
}

TEST_F(ExportDbTest, StockIsListedBeforeTheCatalogueHasBeenFetched)
{
    Exec("DROP TABLE catalogue;");
    AddStock(Ledger::Sale, "b-2", "Holo", "Mint", 1, 3);
    AddStock(Ledger::Sale, "a-1", "Standard", "Played", 2, 1);
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Csv, {"b-2", "a-1", "c-3"}),
              "Card ID,Name,Set,Number,Total,Rarity,Variant,Condition,Qty,Price\r\n"
              "a-1,a-1,,,,,Standard,Played,2,1.00\r\n"
              "b-2,b-2,,,,,Holo,Mint,1,3.00\r\n"
              "c-3,c-3,,,,,,,0,\r\n");
    AddLocation("sale", "a-1", "Standard", "Box 1");
    EXPECT_EQ(StockCsv(Ledger::Sale), "Card ID,Name,Set,Variant,Condition,Qty,Price,Location\r\n"
                                      "a-1,,,Standard,Played,2,1.00,Box 1\r\n"
                                      "b-2,,,Holo,Mint,1,3.00,\r\n");
}

TEST_F(ExportDbTest, IllFormedCardTextReachesEveryFormatAsReplacementCharacters)
{
    AddCard("x-1", "Bad\xC3,\xFFname", "Set\xE2\x82", "1", "2", "R");
    AddStock(Ledger::Sale, "x-1", "Standard", "Mint", 1, 1);
    AddLocation("sale", "x-1", "Standard", "Bin \xF0\x9F");
    EXPECT_NE(CardList(Ledger::Sale, ExportFormat::Csv).find("x-1,\"Bad" + kFffd + "," + kFffd + "name\",Set" + kFffd +
                                                            ",1,2,R,"),
              std::string::npos);
    EXPECT_NE(CardList(Ledger::Sale, ExportFormat::Clipboard).find("x-1\tBad" + kFffd + "," + kFffd + "name\tSet" +
                                                                  kFffd + "\t"),
              std::string::npos);
    EXPECT_EQ(CardList(Ledger::Sale, ExportFormat::Txt),
              "Bad" + kFffd + "," + kFffd + "name (Set" + kFffd + " #1/2) [R] - Mint x1 @ $1.00\r\n");
    EXPECT_NE(StockCsv(Ledger::Sale).find(",Bin " + kFffd + "\r\n"), std::string::npos);
}

TEST_F(ExportDbTest, StockCsvHoldsEveryRowOfTheLedgerWithItsOwnLocations)
{
    AddCard("b-1", "Blastoise", "Base", "2", "102", "Rare Holo");
    AddCard("d-1", "Dragonite", "Fossil", "4", "62", "Rare Holo");
    for (Ledger ledger : {Ledger::Sale, Ledger::Collection}) {
        AddStock(ledger, "d-1", "Standard", "Mint", 0, 1.5);
        AddStock(ledger, "b-1", "Standard", "Near Mint", 2, 20);
        AddStock(ledger, "b-1", "Holo", "Mint", 1, 99.999);
        AddStock(ledger, "c-9", "Standard", "Played", 4, 0);
    }
    AddLocation("sale", "b-1", "Standard", "Binder 2, page \"7\"");
    AddLocation("sale", "d-1", "Standard", "=cmd|' /c calc'!A0");
    AddLocation("coll", "b-1", "Standard", "Shelf\r\nTop");
    AddLocation("coll", "b-1", "Holo", "Safe");

    EXPECT_EQ(StockCsv(Ledger::Sale), "Card ID,Name,Set,Variant,Condition,Qty,Price,Location\r\n"
                                      "b-1,Blastoise,Base,Holo,Mint,1,100.00,\r\n"
                                      "b-1,Blastoise,Base,Standard,Near Mint,2,20.00,\"Binder 2, page \"\"7\"\"\"\r\n"
                                      "c-9,,,Standard,Played,4,0.00,\r\n"
                                      "d-1,Dragonite,Fossil,Standard,Mint,0,1.50,'=cmd|' /c calc'!A0\r\n");
    EXPECT_EQ(StockCsv(Ledger::Collection), "Card ID,Name,Set,Variant,Condition,Qty,Price,Location\r\n"
                                            "b-1,Blastoise,Base,Holo,Mint,1,,Safe\r\n"
                                            "b-1,Blastoise,Base,Standard,Near Mint,2,,\"Shelf\r\nTop\"\r\n"
                                            "c-9,,,Standard,Played,4,,\r\n"
                                            "d-1,Dragonite,Fossil,Standard,Mint,0,,\r\n");
}

TEST_F(ExportDbTest, StockCsvOfAnEmptyLedgerIsNoTextAndAFailedReadAnError)
{
    AddStock(Ledger::Sale, "a-1", "Standard", "Mint", 1, 1);
    EXPECT_EQ(StockCsv(Ledger::Collection), "");
    Exec("DROP TABLE variant_location;");
    std::string error;
    EXPECT_EQ(BuildStockCsvBackup(db.get(), error, Ledger::Sale), "");
    EXPECT_NE(error.find("no such table: variant_location"), std::string::npos) << error;
}

} // namespace
