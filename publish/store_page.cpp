#include "publish/store_page.h"

#include "core/catalogue.h"
#include "core/db.h"
#include "core/file_replace.h"
#include "core/http.h"
#include "core/image_check.h"
#include "core/log.h"
#include "core/output.h"
#include "core/text.h"
#include "publish/picture_record.h"
#include "publish/store_page_template.h"

#include <windows.h>

#include <cctype>
#include <cmath>

namespace {

constexpr char kStoreQuery[] =
    "SELECT c.card_id, c.name, c.set_name, c.number, c.rarity, c.img_small, c.img_large, i.variant, i.condition, "
    "i.qty, i.price FROM inventory i JOIN catalogue c ON c.card_id = i.card_id WHERE i.qty > 0 ORDER BY "
    "c.set_name, c.name, c.card_id, i.variant, i.condition;";

constexpr char kDefaultAccent[] = "#1f4e78";
constexpr char kCancelled[] = "Cancelled.";

bool IsCancelled(const std::atomic<bool>* cancelFlag)
{
    return cancelFlag && cancelFlag->load();
}

// Inserts text before (or after) the first occurrence of anchor; a page
// without the anchor is left as it is.
void InsertAtAnchor(std::string& page, std::string_view anchor, bool after, const std::string& text)
{
    const size_t at = page.find(anchor);
    if (at != std::string::npos)
        page.insert(after ? at + anchor.size() : at, text);
}

// Puts each card's picture into the images folder, or keeps a whole one
// already there. A card whose picture cannot be stored keeps an empty image
// and so links to its remote picture. Every picture known whole goes into
// checked. False only on cancel.
bool StoreEachPicture(std::vector<StoreCard>& cards, const PictureRecord& known, PictureRecord& checked,
                      JobProgressFn progress, void* context, const std::atomic<bool>* cancelFlag)
{
    // One session for the whole run, closed on every way out. Without one
    // every download fails and each card links to its remote picture.
    const HttpSession session = OpenHttpSession();
    const int32_t total = static_cast<int32_t>(cards.size());
    int downloaded = 0;
    int reused = 0;
    int32_t done = 0;
    for (StoreCard& card : cards) {
        if (IsCancelled(cancelFlag))
            return false;
        ++done;
        if (progress)
            progress(context, done, total);
        if (card.remote.empty())
            continue;
        const std::string name = StoreImageStem(card.id) + ".png";
        const std::wstring file = checked.folder + L"\\" + Utf8ToWide(name);
        // A picture cut short (by a dropped connection that still read as
        // the end of the reply) is fetched again rather than published. The
        // stamp is taken before the read, so a picture changed meanwhile
        // does not match it next time.
        PictureStamp stamp;
        if (ReadFileStamp(file, stamp)) {
            const auto knownStamp = known.whole.find(name);
            if ((knownStamp != known.whole.end() && knownStamp->second == stamp) || IsCompleteImageFile(file)) {
                checked.whole[name] = stamp;
                card.image = "images/" + name;
                ++reused;
                continue;
            }
        }
        // A server may answer 200 with an error page or break off; only a
        // whole picture may take the place of what the folder holds. The
        // rename keeps the stamp of the file that was checked.
        const std::wstring temp = file + L".tmp";
        if (HttpGetToFile(session.get(), card.remote, temp) && ReadFileStamp(temp, stamp) &&
            IsCompleteImageFile(temp) && ReplaceWithTempFile(temp, file)) {
            checked.whole[name] = stamp;
            card.image = "images/" + name;
            ++downloaded;
        } else {
            DeleteFileW(temp.c_str());
            Log("image download failed, will link remotely: %s", card.id.c_str());
        }
    }
    Log("Self-host images: %d downloaded, %d reused, %d total", downloaded, reused,
        static_cast<int>(cards.size()));
    return true;
}

// The pictures of every card, trusting those the record of the last run
// knows unchanged. A finished run's findings replace the record; a cancelled
// run leaves it, as every stamp in it still stands for a picture read whole.
// False only on cancel.
bool StoreCardImages(std::vector<StoreCard>& cards, const std::wstring& outputFolder, JobProgressFn progress,
                     void* context, const std::atomic<bool>* cancelFlag)
{
    const std::wstring imagesFolder = outputFolder + L"\\images";
    CreateDirectoryW(imagesFolder.c_str(), nullptr); // an existing folder is fine
    const std::wstring recordPath = PictureRecordPath();
    const PictureRecord known = LoadPictureRecord(recordPath, imagesFolder);
    PictureRecord checked;
    checked.folder = imagesFolder;
    if (!StoreEachPicture(cards, known, checked, progress, context, cancelFlag))
        return false;
    std::string error;
    if (!recordPath.empty() && !(checked == known) && !SavePictureRecord(recordPath, checked, error))
        Log("Self-host images: %s", error.c_str());
    return true;
}

// The in-stock cards in page order, their conditions in stock order.
bool LoadStoreCards(sqlite3* db, std::vector<StoreCard>& cards, std::string& error)
{
    cards.clear();
    // Before the first online update there is no catalogue: nothing can be
    // listed, which is an empty page rather than an error.
    bool hasCatalogue = false;
    if (!CatalogueExists(db, hasCatalogue, error))
        return false;
    if (!hasCatalogue)
        return true;
    StmtHandle stmt = PrepareStmt(db, kStoreQuery, error);
    if (!stmt)
        return false;
    return ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        std::string id = ColumnTextString(row, 0);
        if (cards.empty() || cards.back().id != id) {
            StoreCard card;
            card.id = std::move(id);
            card.name = ColumnTextString(row, 1);
            card.set = ColumnTextString(row, 2);
            card.number = ColumnTextString(row, 3);
            card.rarity = ColumnTextString(row, 4);
            card.remote = ColumnTextString(row, 5);
            if (card.remote.empty())
                card.remote = ColumnTextString(row, 6);
            cards.push_back(std::move(card));
        }
        StoreCard& card = cards.back();
        StoreCondition condition;
        condition.label = StoreConditionLabel(ColumnTextString(row, 7), ColumnTextString(row, 8));
        condition.qty = sqlite3_column_int(row, 9);
        condition.price = sqlite3_column_double(row, 10);
        if (!std::isfinite(condition.price) || condition.price < 0.0) {
            condition.price = 0.0;
            Log("Generate: non-finite/negative price for %s clamped to 0.00", card.id.c_str());
        }
        card.conditions.push_back(std::move(condition));
    });
}

} // namespace

std::string StoreConditionLabel(const std::string& variant, const std::string& condition)
{
    if (variant.empty() || variant == "Standard")
        return condition;
    return variant + " " + condition;
}

std::string BuildCardsJson(const std::vector<StoreCard>& cards)
{
    std::string json = "[\n";
    json.reserve(cards.size() * 320);
    for (size_t i = 0; i < cards.size(); ++i) {
        const StoreCard& card = cards[i];
        if (i)
            json += ",\n";
        json += "  {";
        AppendJsonText(json, "id", card.id);
        json += ',';
        AppendJsonText(json, "name", card.name);
        json += ',';
        AppendJsonText(json, "set", card.set);
        json += ',';
        AppendJsonText(json, "number", card.number);
        json += ',';
        AppendJsonText(json, "rarity", card.rarity);
        json += ',';
        AppendJsonText(json, "image", card.image.empty() ? card.remote : card.image);
        json += ',';
        AppendJsonText(json, "remote", card.remote);
        json += ",\"conditions\":[";
        for (size_t c = 0; c < card.conditions.size(); ++c) {
            const StoreCondition& condition = card.conditions[c];
            if (c)
                json += ',';
            json += '{';
            AppendJsonText(json, "condition", condition.label);
            json += ",\"qty\":" + std::to_string(condition.qty);
            json += ",\"price\":" + PriceNumberText(condition.price);
            json += '}';
        }
        json += "]}";
    }
    json += "\n]";
    return json;
}

bool IsUsableAccent(const std::string& accent)
{
    if ((accent.size() != 4 && accent.size() != 7) || accent[0] != '#')
        return false;
    for (size_t i = 1; i < accent.size(); ++i) {
        if (!isxdigit(static_cast<unsigned char>(accent[i])))
            return false;
    }
    return true;
}

std::string BuildStorePage(const std::string& cardsJson, const StoreSettings& settings)
{
    const std::string title = JsonEsc(WideToUtf8(settings.title));
    const std::pair<const char*, std::string> storeMembers[] = {
        {"name", title},
        {"date", JsonEsc(FormatLongDate())},
        {"title", title},
        {"tagline", JsonEsc(WideToUtf8(settings.tagline))},
        {"contact", JsonEsc(WideToUtf8(settings.contact))},
        {"notes", JsonEsc(WideToUtf8(settings.notes))},
        {"banner", JsonEsc(WideToUtf8(settings.banner))},
        {"cursym", JsonEsc(WideToUtf8(settings.currencySymbol))},
        {"curcode", JsonEsc(WideToUtf8(settings.currencyCode))},
    };
    std::string store = "const STORE = {";
    bool first = true;
    for (const auto& [key, value] : storeMembers) {
        if (!first)
            store += ',';
        first = false;
        store += key;
        store += ":\"";
        store += value;
        store += '"';
    }
    store += "};\n";

    std::string page;
    page.reserve(cardsJson.size() + store.size() + 24 * 1024);
    page += kStorePageTemplate;
    page += "const CARDS = ";
    page += cardsJson;
    page += ";\n";
    page += store;
    page += kStorePageScript;

    InsertAtAnchor(page, "</style>", false, kFooterStyle);
    InsertAtAnchor(page, kStorePageMoreButton, true, "\n" + BuildFooterHtml());

    const std::string accent = WideToUtf8(settings.accent);
    if (IsUsableAccent(accent) && accent != kDefaultAccent) {
        const std::string defaultRule = std::string("--accent:") + kDefaultAccent;
        const size_t at = page.find(defaultRule);
        if (at != std::string::npos)
            page.replace(at, defaultRule.size(), "--accent:" + accent);
    }
    return page;
}

bool WriteStorePage(sqlite3* db, const std::wstring& outputFolder, bool selfHostImages,
                    const StoreSettings& settings, int32_t& outCardCount, std::string& outMessage,
                    JobProgressFn progress, void* context, const std::atomic<bool>* cancelFlag)
{
    outCardCount = 0;
    std::vector<StoreCard> cards;
    if (!LoadStoreCards(db, cards, outMessage))
        return false;
    if (cards.empty())
        return true;

    if (selfHostImages && !StoreCardImages(cards, outputFolder, progress, context, cancelFlag)) {
        outMessage = kCancelled;
        return false;
    }

    const std::string cardsJson = BuildCardsJson(cards);
    const std::string page = BuildStorePage(cardsJson, settings);

    const std::wstring cardsPath = outputFolder + L"\\cards.json";
    const std::wstring pagePath = outputFolder + L"\\index.html";
    const std::wstring cardsTemp = cardsPath + L".tmp";
    const std::wstring pageTemp = pagePath + L".tmp";
    const auto dropTemps = [&] {
        DeleteFileW(pageTemp.c_str());
        DeleteFileW(cardsTemp.c_str());
    };

    if (IsCancelled(cancelFlag)) {
        outMessage = kCancelled;
        return false;
    }
    if (!WriteWholeFile(cardsTemp, cardsJson, outMessage)) {
        DeleteFileW(cardsTemp.c_str());
        return false;
    }
    if (!WriteWholeFile(pageTemp, page, outMessage)) {
        dropTemps();
        return false;
    }
    if (IsCancelled(cancelFlag)) {
        dropTemps();
        outMessage = kCancelled;
        return false;
    }
    // The page goes first: it carries its own copy of the data, so a page
    // beside an older cards.json still shows the right stock.
    if (!ReplaceWithTempFile(pageTemp, pagePath)) {
        dropTemps();
        outMessage = "could not replace index.html";
        return false;
    }
    if (!ReplaceWithTempFile(cardsTemp, cardsPath))
        Log("Note: index.html updated but cards.json sidecar could not be replaced");

    outCardCount = static_cast<int32_t>(cards.size());
    return true;
}
