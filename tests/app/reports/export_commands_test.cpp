// The export commands in the real main window: the menu command, the save
// dialog (scripted), the file or the real clipboard and the status bar.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/reports/export_commands.h"
#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "core/text.h"
#include "tests/core/test_databases.h"
#include "ui/ui_calls.h"

namespace {

constexpr const char* kCatalogue =
    "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
    "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo'),"
    "('base1-58', 'Pikachu', 'Base', '58', '102', 'Common'),"
    "('jungle-60', 'Pikachu', 'Jungle', '60', '64', 'Common');";
const std::string kStockHead = "\xEF\xBB\xBF" "Card ID,Name,Set,Variant,Condition,Qty,Price,Location\r\n";
constexpr const char* kStock =
    "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
    "('base1-4', 'Holo', 'Mint', 2, 120.5), ('jungle-60', 'Standard', 'Played', 1, 0.5);"
    "INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-58', 'Standard', 'Mint', 3);"
    "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
    "('coll', 'base1-58', 'Standard', 'Binder, page 1'), ('sale', 'base1-58', 'Standard', 'Not this one');";

// How often the save dialog was shown; the script answers with answer
// (empty: the user cancels).
struct SaveDialog {
    int shown = 0;
    std::wstring answer;
};
SaveDialog dialog;
SaveDialog& Dialog() { return dialog; }

BOOL ScriptedSave(OPENFILENAMEW* request)
{
    ++Dialog().shown;
    const std::wstring& answer = Dialog().answer;
    if (answer.empty() || answer.size() >= request->nMaxFile)
        return FALSE;
    wcscpy(request->lpstrFile, answer.c_str());
    return TRUE;
}

// The clipboard's text as the command left it. Other programs on the
// display (tests running beside this one) may take the clipboard meanwhile;
// the command then runs again.
std::wstring CopyByCommand(HWND main)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_EXPORT_CLIPBOARD, 0), 0);
        if (!OpenClipboard(nullptr))
            continue;
        const HANDLE data = GetClipboardOwner() == main ? GetClipboardData(CF_UNICODETEXT) : nullptr;
        const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
        const std::wstring text = chars ? chars : L"";
        if (chars)
            GlobalUnlock(data);
        CloseClipboard();
        if (chars)
            return text;
    }
    return L"(the clipboard was not the export's)";
}

// Another thread holds the clipboard open as long as this lives, as another
// program may while the user copies.
struct ClipboardHeldElsewhere {
    ClipboardHeldElsewhere() { WaitForSingleObject(opened, 10000); }
    ~ClipboardHeldElsewhere()
    {
        SetEvent(release);
        WaitForSingleObject(thread, 10000);
        for (HANDLE handle : {thread, opened, release})
            CloseHandle(handle);
    }
    static DWORD WINAPI Hold(void* self)
    {
        auto* holder = static_cast<ClipboardHeldElsewhere*>(self);
        holder->held = OpenClipboard(nullptr) != 0;
        SetEvent(holder->opened);
        WaitForSingleObject(holder->release, 10000);
        return holder->held ? CloseClipboard() : 0;
    }
    bool held = false;
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, Hold, this, 0, nullptr);
};

class ExportCommandsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), kCatalogue);
        RunSql(DatabasePath(), kStock);
        Dialog() = SaveDialog();
        Ui().getSaveFileName = ScriptedSave;
        OpenWindow();
    }

    void Check(const wchar_t* cardId) { SetRowChecked(Grid(), FindCatalogueRow(Grid(), cardId), true); }

    // Runs the command with a marked status bar; true when the command said something.
    bool Said(int command)
    {
        SetStatusText(L"-");
        Command(command);
        return StatusText() != L"-";
    }

    std::wstring Target(const wchar_t* name) const { return folder.File(name); }
};

TEST_F(ExportCommandsTest, CheckedCardsHiddenByTheFilterAndEachLedgersStockAreSavedWithTheMarkAndCrLf)
{
    Check(L"jungle-60");
    Check(L"base1-58");
    // Only Charizard stays in view; both checked cards are hidden.
    SetWindowTextW(Controls().search, L"charizard");
    ApplyFilters();
    ASSERT_EQ(Grid().view.size(), 1u);
    Dialog().answer = Target(L"list.csv");
    Command(IDM_EXPORT_CSV);
    EXPECT_EQ(ReadFileBytes(Target(L"list.csv")),
              "\xEF\xBB\xBF"
              "Card ID,Name,Set,Number,Total,Rarity,Variant,Condition,Qty,Price\r\n"
              "jungle-60,Pikachu,Jungle,60,64,Common,Standard,Played,1,0.50\r\n"
              "base1-58,Pikachu,Base,58,102,Common,,,0,\r\n");
    EXPECT_FALSE(FileExists(Target(L"list.csv.tmp")));

    Command(IDM_MODE_COLLECTION);
    Dialog().answer = Target(L"list.txt");
    Command(IDM_EXPORT_TXT);
    EXPECT_EQ(ReadFileBytes(Target(L"list.txt")), "\xEF\xBB\xBFPikachu (Base #58/102) [Common] - Mint x3\r\n");

    // The stock CSV carries the ledger's own locations.
    Dialog().answer = Target(L"stock.csv");
    Command(IDM_EXPORT_INVENTORY_CSV);
    EXPECT_EQ(ReadFileBytes(Target(L"stock.csv")), kStockHead +
                                                   "base1-58,Pikachu,Base,Standard,Mint,3,,\"Binder, page 1\"\r\n");
    Command(IDM_MODE_SALES);
    Command(IDM_EXPORT_INVENTORY_CSV);
    EXPECT_EQ(ReadFileBytes(Target(L"stock.csv")), kStockHead +
                                                   "base1-4,Charizard,Base,Holo,Mint,2,120.50,\r\n"
                                                   "jungle-60,Pikachu,Jungle,Standard,Played,1,0.50,\r\n");

    // An empty sale stock has nothing to list: no dialog, but a word.
    RunSql(DatabasePath(), "DELETE FROM inventory;");
    Dialog() = SaveDialog();
    for (int command : {IDM_EXPORT_TXT, IDM_EXPORT_INVENTORY_CSV})
        EXPECT_TRUE(Said(command)) << command;
    EXPECT_EQ(Dialog().shown, 0);
}

TEST_F(ExportCommandsTest, ClipboardGetsTabSeparatedTextWithoutAMarkAndWithReplacementCharacters)
{
    RunSql(DatabasePath(), "UPDATE catalogue SET name = CAST(X'22416C6F6C616E22094368E97A' AS TEXT) "
                           "WHERE card_id = 'jungle-60';");
    EXPECT_EQ(CopyByCommand(Main()),
              L"Card ID\tName\tSet\tNumber\tTotal\tRarity\tVariant\tCondition\tQty\tPrice\r\n"
              L"base1-4\tCharizard\tBase\t4\t102\tRare Holo\tHolo\tMint\t2\t120.50\r\n"
              L"jungle-60\t\"\"\"Alolan\"\" Ch\xFFFDz\"\tJungle\t60\t64\tCommon\tStandard\tPlayed\t1\t0.50\r\n");
    EXPECT_EQ(Dialog().shown, 0);

    Command(IDM_MODE_COLLECTION);
    Check(L"base1-4");
    EXPECT_EQ(CopyByCommand(Main()), L"Card ID\tName\tSet\tNumber\tTotal\tRarity\tVariant\tCondition\tQty\tPrice\r\n"
                                     L"base1-4\tCharizard\tBase\t4\t102\tRare Holo\t\t\t0\t\r\n");
    ClipboardHeldElsewhere other;
    ASSERT_TRUE(other.held);
    EXPECT_TRUE(Said(IDM_EXPORT_CLIPBOARD));
}

TEST_F(ExportCommandsTest, AReadOnlyTargetKeepsItsContentCancelChangesNothingAndFailuresAreSaid)
{
    const std::wstring target = Target(L"old.csv");
    WriteFileBytes(target, "earlier export");
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    Dialog().answer = target;
    for (int command : {IDM_EXPORT_CSV, IDM_EXPORT_INVENTORY_CSV}) {
        EXPECT_TRUE(Said(command)) << command;
        EXPECT_EQ(ReadFileBytes(target), "earlier export");
        EXPECT_FALSE(FileExists(target + L".tmp"));
    }
    // A folder that does not exist: nothing can be created, nothing is left.
    Dialog().answer = Target(L"missing\\list.txt");
    EXPECT_TRUE(Said(IDM_EXPORT_TXT));
    EXPECT_FALSE(FileExists(Target(L"missing")));

    Dialog() = SaveDialog();
    for (int command : {IDM_EXPORT_CSV, IDM_EXPORT_TXT, IDM_EXPORT_INVENTORY_CSV})
        EXPECT_FALSE(Said(command)) << command;
    EXPECT_EQ(Dialog().shown, 3);
    // A catalogue left without its columns: the ledgers open, the reads fail.
    RunSql(DatabasePath(), "DROP TABLE catalogue; CREATE TABLE catalogue (card_id TEXT);");
    for (int command : {IDM_EXPORT_CLIPBOARD, IDM_EXPORT_INVENTORY_CSV})
        EXPECT_TRUE(Said(command)) << command;
    // A file that is no database: nothing is asked.
    WriteFileBytes(DatabasePath(), std::string(4096, 'x'));
    for (int command : {IDM_EXPORT_CSV, IDM_EXPORT_INVENTORY_CSV})
        EXPECT_TRUE(Said(command)) << command;
    EXPECT_EQ(Dialog().shown, 3);
}

} // namespace
