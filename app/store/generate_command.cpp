#include "app/store/generate_command.h"

#include "app/jobs/job_runner.h"
#include "app/shell/main_state.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "publish/store_page.h"
#include "ui/ui_calls.h"

#include <cwchar>
#include <iterator>
#include <string>

namespace {

// What WriteStorePage and the job report after a cancel.
constexpr const char* kCancelledMessage = "Cancelled.";

// FreeJobResult on every way out of the command.
class JobResultHolder {
public:
    JobResult result;
    JobResultHolder() = default;
    ~JobResultHolder() { FreeJobResult(result); }
    JobResultHolder(const JobResultHolder&) = delete;
    JobResultHolder& operator=(const JobResultHolder&) = delete;
};

// The note is only a courtesy: a database that cannot be opened again now
// leaves it out without a word, the page having been written already.
void NoteStockMissingFromCatalogue(HWND main)
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error))
        return;
    const int32_t missing = CountHeldCardsMissingFromCatalogue(db.get());
    db.reset();
    if (missing <= 0)
        return;
    wchar_t text[256];
    swprintf(text, std::size(text),
             L"Note: %d held card(s) are not in the catalogue, so they were left off the store page. "
             L"Update the catalogue online to include them.",
             missing);
    Ui().messageBox(main, text, L"Some stock not shown", MB_OK | MB_ICONINFORMATION);
}

} // namespace

void FreeJobResult(JobResult& result)
{
    std::string().swap(result.message);
}

void Generate()
{
    const std::wstring folder = ChooseFolder();
    if (folder.empty())
        return;
    LogSection("Generate");
    LogW(L"Output folder: %ls", folder.c_str());

    // A missing settings.ini leaves the defaults.
    StoreSettings settings;
    InitStoreSettings(settings);
    LoadStoreSettings(StoreSettingsFilePath(), settings);

    HWND main = MainWindow().window;
    JobResultHolder outcome;
    JobResult& result = outcome.result;
    if (!MainWindow().flags.selfHost) {
        SetStatusText(L"Generating\u2026");
        DbHandle db;
        std::string error;
        if (!OpenReadyDb(DatabasePath(), db, error)) {
            SetStatusText(L"Database open failed");
            Log("Generate OpenReadyDb: %s", error.c_str());
            return;
        }
        result.ok = WriteStorePage(db.get(), folder, false, settings, result.value1, result.message, nullptr,
                                   nullptr, nullptr);
    } else {
        SetStatusText(L"Downloading images and generating\u2026");
        result = RunGenerateJob(main, folder, settings);
        // A close request during the job ends it early and closes the window
        // afterwards; whatever the job did, nothing of the window is touched.
        if (!main || MainWindow().window != main || !IsWindow(main)) {
            Log("Generate: the main window closed during the job");
            return;
        }
        if (!result.ok && result.message == kCancelledMessage) {
            SetStatusText(L"Generate cancelled \u2014 store page not changed");
            Log("Generate cancelled by user");
            return;
        }
    }

    if (!result.ok) {
        // The status line stays short; the reason goes to the log.
        SetStatusText(L"Generate failed");
        LogW(L"Generate failed: %ls", Utf8ToWide(result.message).c_str());
        return;
    }
    if (result.value1 == 0) {
        SetStatusText(L"No in-stock cards \u2014 mark some stock first");
        Log("Generate skipped: no in-stock cards (existing page left untouched)");
        return;
    }
    wchar_t status[128];
    swprintf(status, std::size(status), L"Generated store page for %d in-stock card(s)", result.value1);
    SetStatusText(status);
    Log("Generated store: %d cards", result.value1);
    Ui().shellOpen(folder.c_str());
    NoteStockMissingFromCatalogue(main);
}
