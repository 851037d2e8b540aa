#include "publish/store_page.h"

#include "core/catalogue.h"
#include "core/json.h"
#include "core/output.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/core/ledger_db_fixture.h"
#include "tests/support/https_test_server.h"

#include <windows.h>

namespace {

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string PngBytes(char fill)
{
    std::string png = "\x89PNG\r\n\x1a\n";
    png.resize(300, fill);
    return png;
}

struct ProgressLog {
    std::vector<std::pair<int32_t, int32_t>> calls;
    std::atomic<bool>* cancelAt2 = nullptr;
};
void RecordProgress(void* context, int32_t done, int32_t total)
{
    auto* log = static_cast<ProgressLog*>(context);
    log->calls.emplace_back(done, total);
    if (log->cancelAt2 && done == 2)
        log->cancelAt2->store(true);
}

class StorePageTest : public LedgerDbTest {
protected:
    void SetUp() override
    {
        LedgerDbTest::SetUp();
        std::string error;
        ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
        InitDefaultStoreSettings(settings);
        out = folder.Path() + L"\\site";
        CreateDirectoryW(out.c_str(), nullptr);
    }

    void AddCard(const std::string& id, const std::string& name, const std::string& set, const std::string& small = "",
                 const std::string& large = "")
    {
        std::string error;
        StmtHandle stmt = PrepareStmt(db.get(),
                                      "INSERT INTO catalogue (card_id,name,set_name,number,rarity,img_small,img_large) "
                                      "VALUES (?,?,?,?,?,?,?);",
                                      error);
        ASSERT_TRUE(stmt) << error;
        const std::string values[] = {id, name, set, "7", "Rare", small, large};
        for (int i = 0; i < 7; ++i)
            BindText(stmt.get(), i + 1, values[i]);
        ASSERT_TRUE(StepDone(stmt.get(), error)) << error;
    }

    void AddStock(const std::string& id, const std::string& variant, const std::string& condition, int qty,
                  const std::string& priceSql)
    {
        const std::string sql = "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES ('" + id + "','" +
                                variant + "','" + condition + "'," + std::to_string(qty) + "," + priceSql + ");";
        Exec(sql.c_str());
    }

    bool Write(bool selfHost = false, const std::atomic<bool>* cancel = nullptr, ProgressLog* progress = nullptr)
    {
        message.clear();
        return WriteStorePage(db.get(), out, selfHost, settings, count, message, progress ? RecordProgress : nullptr,
                              progress, cancel);
    }

    JsonValue CardsJson()
    {
        JsonValue cards;
        std::string error;
        EXPECT_TRUE(ParseJson(ReadFileBytes(out + L"\\cards.json"), cards, error)) << error;
        return cards;
    }

    std::string Page() { return ReadFileBytes(out + L"\\index.html"); }
    std::string DebugLog() { return ReadFileBytes(folder.File(L"debug.log")); }
    std::wstring Image(const wchar_t* name) { return out + L"\\images\\" + name; }

    // A picture the test server sends from a file of the test folder.
    ScriptedAnswer Picture(const std::string& name, const std::string& bytes)
    {
        server.AddFile(name, bytes);
        return ReplyFromFile(name);
    }

    std::vector<std::string> RequestedPaths()
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& request : server.Requests())
            paths.push_back(request.path);
        return paths;
    }

    HttpsTestServer server{folder.Path()};
    StoreSettings settings;
    std::wstring out;
    int32_t count = -1;
    std::string message;
};

// The conditions of one card of cards.json as "label|qty|price" lines.
std::vector<std::string> Conditions(const JsonValue& card)
{
    std::vector<std::string> rows;
    const JsonValue* conditions = JsonFindMember(card, "conditions");
    if (!conditions)
        return rows;
    for (const JsonValue& condition : conditions->items) {
        char price[32];
        snprintf(price, sizeof price, "%.2f", JsonFindMember(condition, "price")->number);
        rows.push_back(JsonGetString(condition, "condition") + "|" +
                       std::to_string(static_cast<int>(JsonFindMember(condition, "qty")->number)) + "|" + price);
    }
    return rows;
}

} // namespace

TEST_F(StorePageTest, SaleStockOfCataloguedCardsIsGroupedPerCardInPageOrder)
{
    AddCard("b-2", "Zapdos", "Base", "https://img/b-2.png", "https://img/b-2_hires.png");
    AddCard("b-1", "Alakazam", "Base", "", "https://img/b-1_hires.png");
    AddCard("j-1", "Aerodactyl", "Jungle");
    AddCard("b-3", "Unstocked", "Base");
    AddStock("b-2", "Standard", "Played", 1, "2.5");
    AddStock("b-2", "Reverse Holo", "Near Mint", 2, "10");
    AddStock("b-2", "", "Mint", 1, "3");
    AddStock("b-2", "standard", "Mint", 1, "4");
    AddStock("b-1", "Holo", "Mint", 3, "99.999");
    AddStock("j-1", "Standard", "Mint", 1, "NULL");
    AddStock("b-3", "Standard", "Mint", 0, "5");
    AddStock("gone-1", "Standard", "Mint", 4, "5");
    Exec("INSERT INTO collection (card_id,variant,condition,qty) VALUES ('b-3','Standard','Mint',9);");

    ASSERT_TRUE(Write()) << message;
    EXPECT_EQ(count, 3);
    EXPECT_EQ(message, "");

    const JsonValue cards = CardsJson();
    ASSERT_EQ(cards.items.size(), 3u);
    EXPECT_EQ(JsonGetString(cards.items[0], "id"), "b-1");
    EXPECT_EQ(JsonGetString(cards.items[0], "remote"), "https://img/b-1_hires.png");
    EXPECT_EQ(JsonGetString(cards.items[0], "image"), "https://img/b-1_hires.png");
    EXPECT_EQ(Conditions(cards.items[0]), (std::vector<std::string>{"Holo Mint|3|100.00"}));
    EXPECT_EQ(JsonGetString(cards.items[1], "id"), "b-2");
    EXPECT_EQ(JsonGetString(cards.items[1], "remote"), "https://img/b-2.png");
    EXPECT_EQ(Conditions(cards.items[1]), (std::vector<std::string>{"Mint|1|3.00", "Reverse Holo Near Mint|2|10.00",
                                                                    "Played|1|2.50", "standard Mint|1|4.00"}));
    EXPECT_EQ(JsonGetString(cards.items[2], "id"), "j-1");
    EXPECT_EQ(JsonGetString(cards.items[2], "image"), "");
    EXPECT_EQ(Conditions(cards.items[2]), (std::vector<std::string>{"Mint|1|0.00"}));

    // The page carries the same data.
    const std::string json = ReadFileBytes(out + L"\\cards.json");
    EXPECT_NE(Page().find("const CARDS = " + json + ";\nconst STORE = {name:\""), std::string::npos);
}

TEST_F(StorePageTest, BadPricesAreWrittenAsZeroAndTheLargestStaysValidJson)
{
    AddCard("a-1", "Abra", "Base");
    AddStock("a-1", "Standard", "Mint", 1, "-1");
    AddStock("a-1", "Standard", "Played", 1, "9e999");
    AddStock("a-1", "Standard", "Near Mint", 1, "-9e999");
    AddStock("a-1", "Holo", "Mint", 1, "-0.0");
    // Only a hand-edited database holds such a price; cards.json must still parse.
    AddCard("b1", "Bulbasaur", "Base");
    AddStock("b1", "Standard", "Mint", 1, "1.7976931348623157e308");

    ASSERT_TRUE(Write()) << message;
    JsonValue cards;
    std::string error;
    ASSERT_TRUE(ParseJson(ReadFileBytes(out + L"\\cards.json"), cards, error)) << error;
    ASSERT_EQ(cards.items.size(), 2u);
    EXPECT_EQ(Conditions(cards.items[0]),
              (std::vector<std::string>{"Holo Mint|1|0.00", "Mint|1|0.00", "Near Mint|1|0.00", "Played|1|0.00"}));
    const JsonValue* price = JsonFindMember(JsonFindMember(cards.items[1], "conditions")->items.at(0), "price");
    ASSERT_NE(price, nullptr);
    EXPECT_EQ(price->number, 1.7976931348623157e308);
    EXPECT_EQ(Count(DebugLog(), "Generate: non-finite/negative price for a-1 clamped to 0.00"), 3u);
    EXPECT_EQ(Count(ReadFileBytes(out + L"\\cards.json"), "-"), 1u); // only the card id's
}

TEST_F(StorePageTest, NothingInStockTouchesNoFile)
{
    WriteFileBytes(out + L"\\index.html", "old page");
    AddCard("a-1", "Abra", "Base");
    AddStock("a-1", "Standard", "Mint", 0, "1");
    AddStock("gone-1", "Standard", "Mint", 2, "1");
    message = "untouched";
    EXPECT_TRUE(WriteStorePage(db.get(), out, true, settings, count, message, nullptr, nullptr, nullptr));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(message, "untouched");
    EXPECT_EQ(Page(), "old page");
    EXPECT_FALSE(FileExists(out + L"\\cards.json"));
    EXPECT_FALSE(FileExists(out + L"\\images"));
    // A fresh install without a catalogue is an empty store too.
    Exec("DROP TABLE catalogue;");
    EXPECT_TRUE(Write()) << message;
    EXPECT_EQ(count, 0);
    EXPECT_EQ(message, "");
    EXPECT_EQ(Page(), "old page");
}

TEST_F(StorePageTest, FailedQueryIsReportedWithSqliteText)
{
    Exec("DROP TABLE inventory;");
    EXPECT_FALSE(Write());
    EXPECT_NE(message.find("no such table: inventory"), std::string::npos) << message;
    EXPECT_FALSE(FileExists(out + L"\\index.html"));
}

TEST_F(StorePageTest, HostileTextStaysDataInBothFiles)
{
    // Text that might end the script or break a string or the JSON.
    const std::string hostile = "</script><img src=x onerror=\"window.__pwned=1\"> O'Brien \\ \"q\" \x01\x1f\t\n"
                                "\xE2\x80\xA8\xE2\x80\xA9 Pok\xC3\xA9mon <!-- <script>";
    AddCard("h-1", hostile, hostile, hostile);
    AddStock("h-1", "Standard", "Mint", 1, "1");
    Exec("UPDATE catalogue SET number = name, rarity = name;");
    {
        std::string error;
        StmtHandle stmt = PrepareStmt(db.get(), "UPDATE inventory SET condition = ?;", error);
        ASSERT_TRUE(stmt) << error;
        BindText(stmt.get(), 1, hostile);
        ASSERT_TRUE(StepDone(stmt.get(), error)) << error;
    }
    const std::wstring wideHostile = Utf8ToWide(hostile);
    settings.title = settings.tagline = settings.contact = settings.notes = settings.banner = wideHostile;
    settings.currencySymbol = settings.currencyCode = wideHostile;

    ASSERT_TRUE(Write()) << message;
    const JsonValue cards = CardsJson();
    ASSERT_EQ(cards.items.size(), 1u);
    for (const char* key : {"name", "set", "number", "rarity", "image", "remote"})
        EXPECT_EQ(JsonGetString(cards.items[0], key), hostile) << key;
    EXPECT_EQ(Conditions(cards.items[0]), (std::vector<std::string>{hostile + "|1|1.00"}));

    const std::string page = Page();
    EXPECT_EQ(Count(page, "<script"), 1u);
    EXPECT_EQ(Count(page, "</script"), 1u);
    EXPECT_EQ(Count(page, "<!--"), 0u);
    EXPECT_EQ(page.find('\x01'), std::string::npos);
    // Seven texts of the card, eight of STORE (all but the date).
    EXPECT_EQ(Count(page, JsonEsc(hostile)), 7u + 8u);
}

TEST_F(StorePageTest, PageThatCannotBeReplacedFailsAndLeavesBothFiles)
{
    AddCard("a-1", "Abra", "Base");
    AddStock("a-1", "Standard", "Mint", 1, "1");
    WriteFileBytes(out + L"\\index.html", "old page");
    WriteFileBytes(out + L"\\cards.json", "old cards");
    SetFileAttributesW((out + L"\\index.html").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_FALSE(Write());
    EXPECT_EQ(message, "could not replace index.html");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Page(), "old page");
    EXPECT_EQ(ReadFileBytes(out + L"\\cards.json"), "old cards");
    EXPECT_FALSE(FileExists(out + L"\\index.html.tmp"));
    EXPECT_FALSE(FileExists(out + L"\\cards.json.tmp"));
}

TEST_F(StorePageTest, DownloadedPicturesArePublishedUnderTheirStems)
{
    const std::string jpeg = std::string("\xFF\xD8\xFF", 3) + std::string(400, 'b');
    server.Route("/a-1.png", {Picture("a.png", PngBytes('a'))});
    server.Route("/b-2_hires.jpg", {Picture("b.jpg", jpeg)});
    ASSERT_TRUE(server.Start());
    AddCard("a-1", "Abra", "Base", server.Url("/a-1.png"));
    AddCard("b/2", "Bulbasaur", "Base", "", server.Url("/b-2_hires.jpg")); // not a safe stem
    AddCard("c-3", "Caterpie", "Base");                                     // no link at all
    for (const char* id : {"a-1", "b/2", "c-3"})
        AddStock(id, "Standard", "Mint", 1, "1");
    ProgressLog progress;

    ASSERT_TRUE(Write(true, nullptr, &progress)) << message;
    EXPECT_EQ(count, 3);
    // Every card counts as a step, also the one without a picture.
    EXPECT_EQ(progress.calls, (std::vector<std::pair<int32_t, int32_t>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{"/a-1.png", "/b-2_hires.jpg"}));

    const std::string bStem = StoreImageStem("b/2");
    const JsonValue cards = CardsJson();
    EXPECT_EQ(JsonGetString(cards.items[0], "image"), "images/a-1.png");
    EXPECT_EQ(JsonGetString(cards.items[0], "remote"), server.Url("/a-1.png"));
    EXPECT_EQ(JsonGetString(cards.items[1], "image"), "images/" + bStem + ".png");
    EXPECT_EQ(JsonGetString(cards.items[2], "image"), "");
    EXPECT_EQ(ReadFileBytes(Image(L"a-1.png")), PngBytes('a'));
    // Always ".png", whatever the picture is.
    EXPECT_EQ(ReadFileBytes(out + L"\\images\\" + Utf8ToWide(bStem) + L".png"), jpeg);
    EXPECT_FALSE(FileExists(Image(L"a-1.png.tmp")));
    EXPECT_NE(DebugLog().find("Self-host images: 2 downloaded, 0 reused, 3 total"), std::string::npos);
}

TEST_F(StorePageTest, PicturesThatCannotBeStoredLinkRemotelyAndReplaceNothing)
{
    // A 200 error page of a picture's size, a broken connection, a missing
    // picture, and a good one whose stored file is read-only.
    server.Route("/error-page", {Reply(200, "<html>" + std::string(500, ' ') + "Not found</html>")});
    ScriptedAnswer dropped = Picture("d.png", PngBytes('d') + std::string(4000, 'd'));
    dropped.mode = "drop";
    server.Route("/dropped.png", {dropped});
    server.Route("/locked.png", {Picture("l.png", PngBytes('l'))});
    ASSERT_TRUE(server.Start());
    AddCard("c-3", "Charmander", "Base", server.Url("/error-page"));
    AddCard("d-4", "Dratini", "Base", server.Url("/dropped.png"));
    AddCard("e-5", "Eevee", "Base", server.Url("/missing.png"));
    AddCard("l-7", "Lapras", "Base", server.Url("/locked.png"));
    for (const char* id : {"c-3", "d-4", "e-5", "l-7"})
        AddStock(id, "Standard", "Mint", 1, "1");
    // Stored files too small to reuse; what fails may replace none of them.
    CreateDirectoryW((out + L"\\images").c_str(), nullptr);
    WriteFileBytes(Image(L"c-3.png"), "too small");
    WriteFileBytes(Image(L"l-7.png"), "too small, read-only");
    SetFileAttributesW(Image(L"l-7.png").c_str(), FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(Write(true)) << message;
    EXPECT_EQ(count, 4);
    EXPECT_EQ(RequestedPaths(),
              (std::vector<std::string>{"/error-page", "/dropped.png", "/missing.png", "/locked.png"}));
    const JsonValue cards = CardsJson();
    ASSERT_EQ(cards.items.size(), 4u);
    for (const JsonValue& card : cards.items)
        EXPECT_EQ(JsonGetString(card, "image"), JsonGetString(card, "remote"));
    EXPECT_EQ(ReadFileBytes(Image(L"c-3.png")), "too small");
    EXPECT_FALSE(FileExists(Image(L"d-4.png")));
    EXPECT_FALSE(FileExists(Image(L"e-5.png")));
    EXPECT_EQ(ReadFileBytes(Image(L"l-7.png")), "too small, read-only");
    for (const wchar_t* temp : {L"c-3.png.tmp", L"d-4.png.tmp", L"e-5.png.tmp", L"l-7.png.tmp"})
        EXPECT_FALSE(FileExists(Image(temp))) << WideToUtf8(temp);
    const std::string log = DebugLog();
    for (const char* id : {"c-3", "d-4", "e-5", "l-7"})
        EXPECT_NE(log.find(std::string("image download failed, will link remotely: ") + id), std::string::npos)
            << id;
    EXPECT_NE(log.find("Self-host images: 0 downloaded, 0 reused, 4 total"), std::string::npos);
}

TEST_F(StorePageTest, CancelBetweenImagesKeepsStoredImagesButNotThePage)
{
    for (const char* id : {"a-1", "b-2", "c-3"})
        server.Route(std::string("/") + id, {Picture(std::string(id) + ".bin", PngBytes(id[0]))});
    ASSERT_TRUE(server.Start());
    for (const char* id : {"a-1", "b-2", "c-3"}) {
        AddCard(id, id, "Base", server.Url(std::string("/") + id));
        AddStock(id, "Standard", "Mint", 1, "1");
    }
    WriteFileBytes(out + L"\\index.html", "old page");
    std::atomic<bool> cancel{false};
    ProgressLog progress;
    progress.cancelAt2 = &cancel;

    EXPECT_FALSE(Write(true, &cancel, &progress));
    EXPECT_EQ(message, "Cancelled.");
    EXPECT_EQ(count, 0);
    // The card under way when Cancel came is finished; the next is not begun.
    EXPECT_EQ(progress.calls.size(), 2u);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{"/a-1", "/b-2"}));
    EXPECT_EQ(ReadFileBytes(Image(L"a-1.png")), PngBytes('a'));
    EXPECT_EQ(ReadFileBytes(Image(L"b-2.png")), PngBytes('b'));
    EXPECT_FALSE(FileExists(Image(L"c-3.png")));
    EXPECT_EQ(Page(), "old page");
    EXPECT_FALSE(FileExists(out + L"\\cards.json"));
    EXPECT_FALSE(FileExists(out + L"\\index.html.tmp"));
    EXPECT_FALSE(FileExists(out + L"\\cards.json.tmp"));
}
