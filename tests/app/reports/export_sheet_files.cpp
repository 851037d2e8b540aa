// Writes what the spreadsheet check opens in LibreOffice: the card-list CSV
// and the stock CSV saved by their menu commands in the real main window,
// and the card list's clipboard text read back from the real clipboard,
// into the folder named on the command line. Exit code 0 when all three
// were written.
#include "app/main/main_window.h"
#include "app/main/startup.h"
#include "app/panel/panel.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/text.h"
#include "ui/ui_calls.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Must match CARDS in sheet_check.py: card id, name, location. Each name
// is a trap for a spreadsheet: separators, quotes, line breaks, formula
// triggers, a leading quote that a paste would run on from, a character
// outside ASCII and bytes that are no UTF-8.
struct HostileCard {
    const char* id;
    const char* name;
    const char* location;
};
const HostileCard kCards[] = {
    {"h-01", "Smith, \"Big\" Jr.", "Binder, \"A\"\r\npage 2"},
    {"h-02", "two\r\nlines", "=HYPERLINK(\"http://x\")"},
    {"h-03", "one\nbreak", "-5"},
    {"h-04", "Pok\xC3\xA9mon \xC3\xA9t\xC3\xA9", "Bo\xC3\xAEte"},
    {"h-05", "=SUM(A1:A9)", ""},
    {"h-06", "+1", ""},
    {"h-07", "-1", ""},
    {"h-08", "@SUM(1)", ""},
    {"h-09", "\tTabbed", ""},
    {"h-10", "\rCarriage", ""},
    {"h-11", "\"Ace", ""},
    {"h-12", "\"Alolan\" Raichu", ""},
    {"h-13", "Bad\xC3 byte", ""},
    {"h-14", "\nLine first", ""},
    {"h-15", "Tab\tinside", "\"Shelf"},
};

std::wstring savePath;

BOOL SaveTo(OPENFILENAMEW* request)
{
    if (savePath.size() >= request->nMaxFile)
        return FALSE;
    wcscpy(request->lpstrFile, savePath.c_str());
    return TRUE;
}

int NoBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    fprintf(stderr, "unexpected message box: %ls\n", text ? text : L"");
    return IDCANCEL;
}

bool Fill(const std::wstring& dbPath, std::string& error)
{
    DbHandle db;
    if (!OpenReadyDb(dbPath, db, error) || !CreateCatalogueTable(db.get(), error))
        return false;
    StmtHandle card = PrepareStmt(db.get(),
                                  "INSERT INTO catalogue (card_id,name,set_name,number,set_total,rarity) "
                                  "VALUES (?,?,'Base, \"Unlimited\"','4','102','Rare Holo');",
                                  error);
    StmtHandle stock = PrepareStmt(
        db.get(), "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES (?,'Holo','Mint',?,?);", error);
    StmtHandle location = PrepareStmt(
        db.get(), "INSERT INTO variant_location (ledger,card_id,variant,location) VALUES ('sale',?,'Holo',?);", error);
    if (!card || !stock || !location)
        return false;
    int qty = 1;
    for (const HostileCard& c : kCards) {
        for (sqlite3_stmt* stmt : {card.get(), stock.get(), location.get()})
            sqlite3_reset(stmt);
        BindText(card.get(), 1, c.id);
        BindText(card.get(), 2, c.name);
        BindText(stock.get(), 1, c.id);
        sqlite3_bind_int(stock.get(), 2, qty);
        sqlite3_bind_double(stock.get(), 3, qty + 0.25);
        ++qty;
        BindText(location.get(), 1, c.id);
        BindText(location.get(), 2, c.location);
        if (!StepDone(card.get(), error) || !StepDone(stock.get(), error) ||
            (*c.location && !StepDone(location.get(), error)))
            return false;
    }
    return true;
}

void Pump()
{
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Command(int id)
{
    SendMessageW(MainWindow().window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    Pump();
}

bool SaveByCommand(int id, const std::wstring& path)
{
    savePath = path;
    Command(id);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "command %d wrote nothing: %ls\n", id, StatusText().c_str());
        return false;
    }
    return true;
}

// The clipboard text as the export left it. Other programs on the same
// display may take the clipboard meanwhile; the copy is then made again.
bool CopyByCommand(std::wstring& text)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        Command(IDM_EXPORT_CLIPBOARD);
        if (!OpenClipboard(nullptr))
            continue;
        bool read = false;
        if (GetClipboardOwner() == MainWindow().window) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
                    text = chars;
                    read = true;
                    GlobalUnlock(data);
                }
            }
        }
        CloseClipboard();
        if (read)
            return true;
    }
    fprintf(stderr, "clipboard text not read back: %ls\n", StatusText().c_str());
    return false;
}

bool WriteUtf8(const std::wstring& path, const std::wstring& text)
{
    const std::string bytes = WideToUtf8(text);
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring root = argc == 2 ? argv[1] : L".";
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring program = root + L"\\program";
    CreateDirectoryW(program.c_str(), nullptr);
    DeleteFileW((program + L"\\binderwell.db").c_str());
    for (const wchar_t* name : {L"\\card_list.csv", L"\\stock.csv", L"\\clipboard.txt"})
        DeleteFileW((root + name).c_str());

    InstallDataServices(program);
    std::string error;
    if (!Fill(DatabasePath(), error)) {
        fprintf(stderr, "database not filled: %s\n", error.c_str());
        return 1;
    }
    UiCalls calls = SystemUiCalls();
    calls.messageBox = NoBox;
    calls.getSaveFileName = SaveTo;
    Ui() = calls;
    InstallStockPanel();
    StartServices();
    if (!CreateMainWindow(GetModuleHandleW(nullptr))) {
        fprintf(stderr, "no main window\n");
        return 1;
    }
    Pump();

    std::wstring clipboard;
    const bool ok = SaveByCommand(IDM_EXPORT_CSV, root + L"\\card_list.csv") &&
                    SaveByCommand(IDM_EXPORT_INVENTORY_CSV, root + L"\\stock.csv") && CopyByCommand(clipboard) &&
                    WriteUtf8(root + L"\\clipboard.txt", clipboard);
    DestroyWindow(MainWindow().window);
    Pump();
    StopServices(true);
    return ok ? 0 : 1;
}
