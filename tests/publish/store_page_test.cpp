#include "publish/store_page.h"

#include "core/catalogue.h"
#include "core/json.h"
#include "core/output.h"
#include "core/settings.h"
#include "core/text.h"
#include "publish/picture_record.h"
#include "tests/core/ledger_db_fixture.h"
#include "tests/support/https_test_server.h"
#include "tests/support/test_images.h"

#include <windows.h>

namespace {

// A whole picture of at least 256 bytes, different for each fill.
std::string PngBytes(char fill)
{
    return SolidPng(12, 12, static_cast<unsigned char>(fill) * 0x010101u);
}

// Counts progress calls and asks to cancel once the second card is done.
struct CancelAt2 {
    int calls = 0;
    std::atomic<bool> cancel{false};
};
void RecordProgress(void* context, int32_t done, int32_t)
{
    auto* log = static_cast<CancelAt2*>(context);
    ++log->calls;
    if (done == 2)
        log->cancel.store(true);
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

    void AddCard(const std::string& id, const std::string& name, const std::string& small = "")
    {
        std::string error;
        StmtHandle stmt = PrepareStmt(
            db.get(), "INSERT INTO catalogue (card_id,name,set_name,number,rarity,img_small) VALUES (?1,?2,?2,?2,?2,?3);",
            error);
        ASSERT_TRUE(stmt) << error;
        BindText(stmt.get(), 1, id);
        BindText(stmt.get(), 2, name);
        BindText(stmt.get(), 3, small);
        ASSERT_TRUE(StepDone(stmt.get(), error)) << error;
    }

    void AddStock(const std::string& id, const std::string& variant, const std::string& condition, int qty,
                  const std::string& priceSql)
    {
        Exec(("INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES ('" + id + "','" + variant + "','" +
              condition + "'," + std::to_string(qty) + "," + priceSql + ");")
                 .c_str());
    }

    bool Write(bool selfHost = false, CancelAt2* progress = nullptr)
    {
        message.clear();
        return WriteStorePage(db.get(), out, selfHost, settings, count, message, progress ? RecordProgress : nullptr,
                              progress, progress ? &progress->cancel : nullptr);
    }

    JsonValue CardsJson()
    {
        JsonValue cards;
        std::string error;
        EXPECT_TRUE(ParseJson(ReadFileBytes(out + L"\\cards.json"), cards, error)) << error;
        return cards;
    }

    std::string Page() { return ReadFileBytes(out + L"\\index.html"); }
    std::wstring Image(const std::string& name) { return out + L"\\images\\" + Utf8ToWide(name); }
    ScriptedAnswer Picture(const std::string& name, const std::string& bytes)
    {
        server.AddFile(name, bytes);
        return ReplyFromFile(name);
    }
    void StockCards(const std::vector<std::string>& ids)
    {
        for (const std::string& id : ids) {
            AddCard(id, id, server.Url("/" + id));
            AddStock(id, "Standard", "Mint", 1, "1");
        }
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
    for (const JsonValue& condition : JsonFindMember(card, "conditions")->items) {
        char price[32];
        snprintf(price, sizeof price, "%.2f", JsonFindMember(condition, "price")->number);
        rows.push_back(JsonGetString(condition, "condition") + "|" +
                       std::to_string(static_cast<int>(JsonFindMember(condition, "qty")->number)) + "|" + price);
    }
    return rows;
}

} // namespace

TEST_F(StorePageTest, OnlySaleStockOfCataloguedCardsIsPublishedAndBadPricesBecomeZero)
{
    for (const char* id : {"b-2", "a-1", "c-1", "d-1"})
        AddCard(id, id);
    AddStock("b-2", "Reverse Holo", "Near Mint", 2, "10");
    AddStock("b-2", "", "Mint", 1, "99.999");
    AddStock("b-2", "Standard", "Played", 1, "NULL");
    AddStock("d-1", "Standard", "Mint", 0, "5");
    AddStock("gone-1", "Standard", "Mint", 4, "5");
    AddStock("a-1", "Standard", "Mint", 1, "-1");
    AddStock("a-1", "Standard", "Near Mint", 1, "-9e999");
    AddStock("a-1", "Standard", "Played", 1, "9e999");
    AddStock("c-1", "Standard", "Mint", 1, "1.7976931348623157e308");

    ASSERT_TRUE(Write()) << message;
    EXPECT_EQ(count, 3);
    const JsonValue cards = CardsJson(); // must parse even with the largest price
    ASSERT_EQ(cards.items.size(), 3u);
    EXPECT_EQ(Conditions(cards.items[0]),
              (std::vector<std::string>{"Mint|1|0.00", "Near Mint|1|0.00", "Played|1|0.00"}));
    EXPECT_EQ(Conditions(cards.items[1]),
              (std::vector<std::string>{"Mint|1|100.00", "Reverse Holo Near Mint|2|10.00", "Played|1|0.00"}));
    EXPECT_EQ(JsonFindMember(JsonFindMember(cards.items[2], "conditions")->items.at(0), "price")->number,
              1.7976931348623157e308);
}

TEST_F(StorePageTest, NothingInStockTouchesNoFileAndAFailedQueryIsNoEmptyStore)
{
    WriteFileBytes(out + L"\\index.html", "old page");
    AddCard("a-1", "Abra");
    AddStock("a-1", "Standard", "Mint", 0, "1");
    EXPECT_TRUE(Write(true));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(FileExists(out + L"\\cards.json"));
    EXPECT_FALSE(FileExists(out + L"\\images"));
    Exec("DROP TABLE inventory;");
    EXPECT_FALSE(Write());
    EXPECT_NE(message.find("no such table: inventory"), std::string::npos) << message;
    EXPECT_EQ(Page(), "old page");
}

TEST_F(StorePageTest, PageThatCannotBeReplacedFailsAndLeavesBothFiles)
{
    AddCard("a-1", "Abra");
    AddStock("a-1", "Standard", "Mint", 1, "1");
    WriteFileBytes(out + L"\\index.html", "old page");
    WriteFileBytes(out + L"\\cards.json", "old cards");
    SetFileAttributesW((out + L"\\index.html").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_FALSE(Write());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Page(), "old page");
    EXPECT_EQ(ReadFileBytes(out + L"\\cards.json"), "old cards");
    EXPECT_FALSE(FileExists(out + L"\\index.html.tmp"));
    EXPECT_FALSE(FileExists(out + L"\\cards.json.tmp"));
}

TEST_F(StorePageTest, PicturesAreStoredUnderSafeStemsOrLinkedRemotelyReplacingNothing)
{
    // Good pictures, one for an id that is no safe file name; then a 200 error
    // page of a picture's size, a cut-off body, and a good picture whose stored
    // file is read-only.
    const std::string jpeg = StructuralJpeg('b');
    server.Route("/a-1", {Picture("a.png", PngBytes('a'))});
    server.Route("/b/2", {Picture("b.jpg", jpeg)});
    server.Route("/c-3", {Reply(200, "<html>" + std::string(500, ' ') + "Not found</html>")});
    ScriptedAnswer dropped = Picture("d.png", SolidPng(40, 40, 0x444444));
    dropped.mode = "drop";
    server.Route("/d-4", {dropped});
    server.Route("/l-7", {Picture("l.png", PngBytes('l'))});
    ASSERT_TRUE(server.Start());
    StockCards({"a-1", "b/2", "c-3", "d-4", "l-7"});
    CreateDirectoryW((out + L"\\images").c_str(), nullptr);
    WriteFileBytes(Image("c-3.png"), "too small");
    WriteFileBytes(Image("l-7.png"), "read-only");
    SetFileAttributesW(Image("l-7.png").c_str(), FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(Write(true)) << message;
    const JsonValue cards = CardsJson();
    ASSERT_EQ(cards.items.size(), 5u);
    const std::string bStem = StoreImageStem("b/2");
    EXPECT_EQ(JsonGetString(cards.items[0], "image"), "images/a-1.png");
    EXPECT_EQ(JsonGetString(cards.items[1], "image"), "images/" + bStem + ".png");
    EXPECT_EQ(ReadFileBytes(Image("a-1.png")), PngBytes('a'));
    EXPECT_EQ(ReadFileBytes(Image(bStem + ".png")), jpeg);
    for (size_t i = 2; i < 5; ++i)
        EXPECT_EQ(JsonGetString(cards.items[i], "image"), JsonGetString(cards.items[i], "remote")) << i;
    EXPECT_EQ(ReadFileBytes(Image("c-3.png")), "too small");
    EXPECT_EQ(ReadFileBytes(Image("l-7.png")), "read-only");
    EXPECT_FALSE(FileExists(Image("d-4.png")));
    for (const char* id : {"a-1", "c-3", "d-4", "l-7"})
        EXPECT_FALSE(FileExists(Image(std::string(id) + ".png.tmp"))) << id;
}

TEST_F(StorePageTest, OnlyWholePicturesAreStoredOrKept)
{
    // A reply in chunks that breaks off may read as complete to the
    // download; a stored picture cut short by an earlier run starts like a
    // good one.
    const std::string whole = SolidPng(40, 40, 0x336699);
    ScriptedAnswer dropped = Picture("e.png", whole);
    dropped.mode = "chunked-drop";
    server.Route("/e-5", {dropped});
    server.Route("/f-6", {Picture("f.png", whole)});
    ASSERT_TRUE(server.Start());
    StockCards({"e-5", "f-6"});
    CreateDirectoryW((out + L"\\images").c_str(), nullptr);
    WriteFileBytes(Image("f-6.png"), whole.substr(0, whole.size() / 2));

    ASSERT_TRUE(Write(true)) << message;
    const JsonValue cards = CardsJson();
    ASSERT_EQ(cards.items.size(), 2u);
    EXPECT_EQ(JsonGetString(cards.items[0], "image"), JsonGetString(cards.items[0], "remote"));
    EXPECT_FALSE(FileExists(Image("e-5.png")));
    EXPECT_FALSE(FileExists(Image("e-5.png.tmp")));
    EXPECT_EQ(JsonGetString(cards.items[1], "image"), "images/f-6.png");
    EXPECT_TRUE(ReadFileBytes(Image("f-6.png")) == whole);
}

// A later run does not read the pictures an earlier one found whole, so
// nothing but an unchanged size and write time may let a picture through.
TEST_F(StorePageTest, RecordedPicturesAreTrustedOnlyWhileUnchanged)
{
    const std::vector<std::string> ids = {"p-1", "p-2", "p-3", "p-4", "p-5"};
    for (const std::string& id : ids)
        server.Route("/" + id, {Picture(id + ".bin", PngBytes(id[2]))});
    ASSERT_TRUE(server.Start());
    StockCards(ids);
    const auto requestsAfter = [&](size_t before) {
        std::vector<std::string> paths;
        const std::vector<RecordedRequest> all = server.Requests();
        for (size_t i = before; i < all.size(); ++i)
            paths.push_back(all[i].path);
        return paths;
    };
    ASSERT_TRUE(Write(true)) << message;
    ASSERT_EQ(server.Requests().size(), 5u);
    ASSERT_TRUE(Write(true)) << message;
    EXPECT_TRUE(requestsAfter(5).empty());
    // The record stays out of the folder the user publishes.
    EXPECT_TRUE(FileExists(PictureRecordPath()));
    EXPECT_FALSE(FileExists(out + L"\\store-images.txt"));
    EXPECT_FALSE(FileExists(out + L"\\images\\store-images.txt"));

    // Cut short; rewritten at the same size with a later time; removed.
    const std::string whole2 = ReadFileBytes(Image("p-2.png"));
    WriteFileBytes(Image("p-2.png"), whole2.substr(0, whole2.size() - 20));
    WriteFileBytes(Image("p-3.png"), std::string(ReadFileBytes(Image("p-3.png")).size(), 'x'));
    const HANDLE file = CreateFileW(Image("p-3.png").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
    FILETIME later;
    GetSystemTimeAsFileTime(&later);
    later.dwHighDateTime += 1;
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    DeleteFileW(Image("p-4.png").c_str());
    ASSERT_TRUE(Write(true)) << message;
    EXPECT_EQ(requestsAfter(5), (std::vector<std::string>{"/p-2", "/p-3", "/p-4"}));
    for (const std::string& id : ids)
        EXPECT_EQ(ReadFileBytes(Image(id + ".png")), PngBytes(id[2])) << id;
    ASSERT_TRUE(Write(true)) << message; // what was fetched again is recorded
    EXPECT_EQ(server.Requests().size(), 8u);

    // A record of another folder, though its stamp fits a broken picture.
    WriteFileBytes(Image("p-1.png"), "cut");
    PictureStamp cut;
    ASSERT_TRUE(ReadFileStamp(Image("p-1.png"), cut));
    WriteFileBytes(PictureRecordPath(), "C:\\elsewhere\\images\n" + std::to_string(cut.size) + "\t" +
                                            std::to_string(cut.writeTime) + "\tp-1.png\n");
    ASSERT_TRUE(Write(true)) << message;
    EXPECT_EQ(requestsAfter(8), (std::vector<std::string>{"/p-1"}));
    EXPECT_EQ(ReadFileBytes(Image("p-1.png")), PngBytes('1'));
}

TEST_F(StorePageTest, CancelBetweenImagesKeepsStoredImagesButNotThePage)
{
    for (const char* id : {"a-1", "b-2", "c-3"})
        server.Route(std::string("/") + id, {Picture(std::string(id) + ".bin", PngBytes(id[0]))});
    ASSERT_TRUE(server.Start());
    StockCards({"a-1", "b-2", "c-3"});
    WriteFileBytes(out + L"\\index.html", "old page");
    CancelAt2 progress;

    EXPECT_FALSE(Write(true, &progress));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(progress.calls, 2); // the card under way is finished, the next not begun
    EXPECT_EQ(ReadFileBytes(Image("b-2.png")), PngBytes('b'));
    EXPECT_FALSE(FileExists(Image("c-3.png")));
    EXPECT_EQ(Page(), "old page");
    EXPECT_FALSE(FileExists(out + L"\\cards.json"));
    EXPECT_FALSE(FileExists(out + L"\\index.html.tmp"));
}

// Card data keeps whatever bytes its source held; a strict reader refuses a
// file with one bad byte, and an older engine ends a literal at U+2028.
TEST_F(StorePageTest, BadBytesInCardDataBecomeReplacementsInBothFiles)
{
    AddCard("a-1", "Bad \xC3( \xFF end\xE2\x80\xA8");
    AddStock("a-1", "Standard", "Mint", 1, "1");
    ASSERT_TRUE(Write()) << message;
    for (const wchar_t* file : {L"\\cards.json", L"\\index.html"}) {
        const std::string bytes = ReadFileBytes(out + file);
        EXPECT_GT(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0),
                  0);
        EXPECT_NE(bytes.find("Bad \xEF\xBF\xBD( \xEF\xBF\xBD end\\u2028"), std::string::npos);
    }
}
