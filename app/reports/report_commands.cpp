#include "app/reports/report_commands.h"

#include "app/shell/main_state.h"
#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "publish/report_cards.h"
#include "publish/report_sales.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <functional>

namespace {

// What one report command says and writes, around the sequence that all
// four share.
struct ReportCommand {
    const char* section;
    const wchar_t* writing;
    const char* openTag;       // names the command in "... OpenReadyDb: %s"
    const wchar_t* failed;     // the status; the log line adds ": " and the reason
    const wchar_t* file;       // "\name.html"
};

// Writes the report into the folder; on success *written is the status text.
using ReportWriter =
    std::function<bool(sqlite3* db, const std::wstring& folder, const StoreSettings& settings, std::wstring& written,
                       std::string& error)>;

void RunReportCommand(const ReportCommand& command, const ReportWriter& write, const std::wstring& setName = L"")
{
    const std::wstring folder = ChooseFolder();
    if (folder.empty())
        return;
    LogSection(command.section);
    if (!setName.empty())
        LogW(L"Set: %ls", setName.c_str());
    LogW(L"Output folder: %ls", folder.c_str());
    SetStatusText(command.writing);

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        SetStatusText(L"Database open failed");
        Log("%s OpenReadyDb: %s", command.openTag, error.c_str());
        return;
    }
    // A missing or unreadable settings.ini leaves the defaults.
    StoreSettings settings;
    InitStoreSettings(settings);
    LoadStoreSettings(StoreSettingsFilePath(), settings);

    std::wstring written;
    const bool ok = write(db.get(), folder, settings, written, error);
    db.reset();
    if (!ok) {
        SetStatusText(command.failed);
        LogW(L"%ls: %ls", command.failed, Utf8ToWide(error).c_str());
        return;
    }
    SetStatusText(written);
    Ui().shellOpen((folder + command.file).c_str());
}

// "s" after a count other than one.
const wchar_t* PluralS(int count)
{
    return count == 1 ? L"" : L"s";
}

} // namespace

void SalesReport()
{
    static const ReportCommand kCommand = {"Sales report", L"Writing sales report\u2026", "SalesReport",
                                           L"Sales report failed", L"\\sales-report.html"};
    RunReportCommand(kCommand, [](sqlite3* db, const std::wstring& folder, const StoreSettings& settings,
                                  std::wstring& written, std::string& error) {
        int32_t count = 0;
        if (!WriteSalesReport(db, folder, settings, count, error))
            return false;
        written = L"Sales report written (" + std::to_wstring(count) + L" sale" + PluralS(count) + L")";
        return true;
    });
}

void Wishlist()
{
    static const ReportCommand kCommand = {"Wishlist report", L"Writing wishlist report\u2026", "Wishlist",
                                           L"Wishlist report failed", L"\\wishlist-report.html"};
    RunReportCommand(kCommand, [](sqlite3* db, const std::wstring& folder, const StoreSettings& settings,
                                  std::wstring& written, std::string& error) {
        int32_t rows = 0, owned = 0;
        if (!WriteFlagReport(db, folder, settings, true, rows, owned, error))
            return false;
        written = L"Wishlist written \u2014 " + std::to_wstring(rows) + L" wanted, " + std::to_wstring(owned) +
                  L" already owned";
        return true;
    });
}

void Trade()
{
    static const ReportCommand kCommand = {"Trade list", L"Writing trade list\u2026", "Trade", L"Trade list failed",
                                           L"\\trade-list.html"};
    RunReportCommand(kCommand, [](sqlite3* db, const std::wstring& folder, const StoreSettings& settings,
                                  std::wstring& written, std::string& error) {
        int32_t rows = 0, owned = 0;
        if (!WriteFlagReport(db, folder, settings, false, rows, owned, error))
            return false;
        written = L"Trade list written \u2014 " + std::to_wstring(rows) + L" card" + PluralS(rows);
        return true;
    });
}

void SetCompletion()
{
    const std::wstring set = GetComboFilterText(MainWindow().controls.setFilter);
    if (set.empty()) {
        Ui().messageBox(MainWindow().window,
                        L"Pick a specific set in the Set filter (top toolbar) first, then run this report.",
                        L"Set-completion report", MB_OK | MB_ICONINFORMATION);
        return;
    }
    static const ReportCommand kCommand = {"Set-completion report", L"Writing set-completion report\u2026",
                                           "SetCompletion", L"Set-completion report failed",
                                           L"\\set-completion.html"};
    RunReportCommand(
        kCommand,
        [&set](sqlite3* db, const std::wstring& folder, const StoreSettings& settings, std::wstring& written,
               std::string& error) {
            int32_t total = 0, held = 0;
            if (!WriteSetCompletionReport(db, folder, settings, set, total, held, error))
                return false;
            written = L"Set-completion written \u2014 " + std::to_wstring(held) + L" of " + std::to_wstring(total) +
                      L" held";
            return true;
        },
        set);
}
