#include "app/reports/export_commands.h"

#include "app/grid/grid_model.h"
#include "app/shell/main_state.h"
#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"
#include "core/text.h"
#include "publish/export_file.h"
#include "publish/export_stock.h"
#include "ui/ui_calls.h"

#include <cstring>
#include <vector>

namespace {

// The checked cards over every loaded row in load order, whether or not
// the filters show them.
std::vector<std::string> CheckedCardIds()
{
    const GridModel& grid = Grid();
    std::vector<std::string> ids;
    for (size_t row = 0; row < grid.rows.size(); ++row) {
        if (IsRowChecked(grid, static_cast<int32_t>(row)))
            ids.push_back(WideToUtf8(grid.rows[row].card_id));
    }
    return ids;
}

bool OpenExportDb(DbHandle& db)
{
    std::string error;
    if (OpenReadyDb(DatabasePath(), db, error))
        return true;
    SetStatusText(L"Database open failed");
    return false;
}

struct FileKind {
    const wchar_t* filter; // pairs of zero-terminated texts, ended by an empty one
    const wchar_t* extension;
};
constexpr wchar_t kCsvFilter[] = L"CSV file\0*.csv\0All files\0*.*\0";
constexpr wchar_t kTxtFilter[] = L"Text file\0*.txt\0All files\0*.*\0";
constexpr FileKind kCsvFile = {kCsvFilter, L"csv"};
constexpr FileKind kTxtFile = {kTxtFilter, L"txt"};

// The path the user chose, starting from defaultName; empty when cancelled.
std::wstring AskSavePath(const wchar_t* defaultName, const FileKind& kind)
{
    wchar_t path[MAX_PATH] = {};
    lstrcpynW(path, defaultName, MAX_PATH);
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = MainWindow().window;
    request.lpstrFilter = kind.filter;
    request.lpstrFile = path;
    request.nMaxFile = MAX_PATH;
    request.lpstrDefExt = kind.extension;
    request.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!Ui().getSaveFileName(&request))
        return std::wstring();
    return path;
}

// The text on the clipboard as Unicode text, owned by owner. False, with
// the clipboard as it was or emptied, when any step fails.
bool PutClipboardText(HWND owner, const std::wstring& text)
{
    if (!OpenClipboard(owner))
        return false;
    bool placed = false;
    if (EmptyClipboard()) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* target = GlobalLock(memory)) {
                memcpy(target, text.c_str(), bytes);
                GlobalUnlock(memory);
                // Once handed over, the memory is the clipboard's.
                placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            if (!placed)
                GlobalFree(memory);
        }
    }
    CloseClipboard();
    return placed;
}

void CopyCardList(const std::string& text, Ledger ledger, int selectedCount)
{
    if (!PutClipboardText(MainWindow().window, Utf8ToWide(text))) {
        SetStatusText(L"Copy to clipboard failed");
        Log("Export to clipboard [%s] FAILED (selected=%d)", LedgerKey(ledger), selectedCount);
        return;
    }
    if (selectedCount > 0)
        SetStatusText(L"Copied selected to clipboard");
    else if (ledger == Ledger::Collection)
        SetStatusText(L"Copied all collection stock to clipboard");
    else
        SetStatusText(L"Copied all in-stock to clipboard");
    Log("Export to clipboard [%s] (selected=%d)", LedgerKey(ledger), selectedCount);
}

void SaveCardList(const std::string& text, ExportFormat format, Ledger ledger, int selectedCount)
{
    const bool csv = format == ExportFormat::Csv;
    const bool collection = ledger == Ledger::Collection;
    const wchar_t* defaultName = collection ? (csv ? L"pokemon_collection.csv" : L"pokemon_collection.txt")
                                            : (csv ? L"pokemon_stock.csv" : L"pokemon_stock.txt");
    const std::wstring path = AskSavePath(defaultName, csv ? kCsvFile : kTxtFile);
    if (path.empty())
        return;
    const int formatNumber = static_cast<int>(format);
    switch (WriteExportFile(path, text)) {
    case ExportFileOutcome::CannotCreate:
        SetStatusText(L"Could not write file");
        return;
    case ExportFileOutcome::Failed:
        SetStatusText(L"Could not write file");
        Log("Export to file FAILED (format=%d, selected=%d)", formatNumber, selectedCount);
        return;
    case ExportFileOutcome::Written:
        break;
    }
    if (selectedCount > 0)
        SetStatusText(L"Exported selected cards");
    else if (collection)
        SetStatusText(L"Exported all collection stock");
    else
        SetStatusText(L"Exported all in-stock cards");
    Log("Export to file [%s] (format=%d, selected=%d)", LedgerKey(ledger), formatNumber, selectedCount);
}

} // namespace

void ExportCardList(ExportFormat format)
{
    const std::vector<std::string> selected = CheckedCardIds();
    const int selectedCount = static_cast<int>(selected.size());
    const Ledger ledger = CurrentLedger();
    DbHandle db;
    if (!OpenExportDb(db))
        return;
    std::string error;
    const std::string text = BuildStockExport(db.get(), selected, format, error, ledger);
    db.reset();
    if (text.empty()) {
        if (error.empty()) {
            SetStatusText(L"Nothing to export (no stock)");
        } else {
            SetStatusText(L"Export failed");
            LogW(L"Export failed: %ls", Utf8ToWide(error).c_str());
        }
        return;
    }
    if (format == ExportFormat::Clipboard)
        CopyCardList(text, ledger, selectedCount);
    else
        SaveCardList(text, format, ledger, selectedCount);
}

void ExportStockCsv()
{
    DbHandle db;
    if (!OpenExportDb(db))
        return;
    const Ledger ledger = CurrentLedger();
    const bool collection = ledger == Ledger::Collection;
    std::string error;
    const std::string text = BuildStockCsvBackup(db.get(), error, ledger);
    db.reset();
    if (text.empty()) {
        if (!error.empty()) {
            SetStatusText(L"Inventory export failed");
            LogW(L"Inventory CSV: %ls", Utf8ToWide(error).c_str());
        } else {
            SetStatusText(collection ? L"No collection stock to export" : L"No inventory to export");
        }
        return;
    }
    const std::wstring path = AskSavePath(collection ? L"collection_backup.csv" : L"inventory_backup.csv", kCsvFile);
    if (path.empty())
        return;
    if (WriteExportFile(path, text) != ExportFileOutcome::Written) {
        SetStatusText(L"Could not write file");
        return;
    }
    SetStatusText(collection ? L"Collection exported to CSV" : L"Inventory exported to CSV");
    Log("Stock CSV exported [%s]", LedgerKey(ledger));
}
