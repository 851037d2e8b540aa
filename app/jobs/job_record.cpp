#include "app/jobs/job_record.h"

#include "core/db.h"
#include "core/schema.h"
#include "core/text.h"
#include "publish/store_page.h"

#include <cwchar>

namespace {

// The status bar takes one line of at most this many characters.
constexpr size_t kStatusChars = 192;

const wchar_t* Plural(int32_t count)
{
    return count == 1 ? L"" : L"s";
}

// At most kStatusChars - 1 characters, never half of a surrogate pair.
std::wstring StatusLine(std::wstring text)
{
    if (text.size() < kStatusChars)
        return text;
    size_t keep = kStatusChars - 1;
    if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF)
        --keep;
    text.resize(keep);
    return text;
}

// Done in the low half, total in the high half: one atomic value, so the
// window never shows the done of one report with the total of another.
constexpr uint64_t kNoProgress = ~uint64_t{0};

uint64_t PackProgress(int32_t done, int32_t total)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(total)) << 32) | static_cast<uint32_t>(done);
}

JobProgress UnpackProgress(uint64_t packed)
{
    return {static_cast<int32_t>(packed & 0xFFFFFFFFu), static_cast<int32_t>(packed >> 32)};
}

bool PostProgressMessage(JobRecord& record, int32_t done, int32_t total)
{
    // One waiting message at a time; it shows the latest report when its
    // turn comes.
    if (record.progressQueued.exchange(true))
        return true;
    if (!PostMessageW(record.progressWindow, WM_APP_JOB_PROGRESS, static_cast<WPARAM>(done),
                      static_cast<LPARAM>(total))) {
        record.progressQueued.store(false);
        return false;
    }
    return true;
}

template <typename... Args>
std::wstring Format(const wchar_t* format, Args... args)
{
    wchar_t text[kStatusChars];
    swprintf(text, kStatusChars, format, args...);
    return text;
}

} // namespace

JobRecord::JobRecord()
{
    InitJobRecord(*this);
}

JobRecord::~JobRecord()
{
    DestroyJobRecord(*this);
}

void InitJobRecord(JobRecord& record)
{
    record.kind = JobKind::CatalogueUpdate;
    record.dbPath.clear();
    record.apiKey.clear();
    record.outputFolder.clear();
    record.selfHostImages = false;
    record.settings = StoreSettings();
    record.catalogueSource = nullptr;
    record.progressVerb = L"Working";
    record.progressNoun = L"items";
    record.progressWindow = nullptr;
    record.label = nullptr;
    record.progressBar = nullptr;
    record.cancelButton = nullptr;
    record.font = nullptr;
    record.dpi = 96;
    record.thread = nullptr;
    record.cancelRequested.store(false);
    record.latestProgress.store(kNoProgress);
    record.progressQueued.store(false);
    record.lastProgressPost = 0;
    record.progressHeldBack = false;
    record.shownProgress = kNoProgress;
    record.running = false;
    record.ok = false;
    record.value1 = 0;
    record.value2 = 0;
    record.message.clear();
}

void DestroyJobRecord(JobRecord& record)
{
    if (record.thread) {
        CloseHandle(record.thread);
        record.thread = nullptr;
    }
    std::string().swap(record.message);
    std::wstring().swap(record.progressNoun);
    std::wstring().swap(record.progressVerb);
    record.settings = StoreSettings();
    std::wstring().swap(record.outputFolder);
    std::string().swap(record.apiKey);
    std::wstring().swap(record.dbPath);
}

void CopyStoreSettings(const StoreSettings& from, StoreSettings& to)
{
    to = from;
}

void PostJobProgress(void* context, int32_t done, int32_t total)
{
    auto* record = static_cast<JobRecord*>(context);
    if (!record || !record->progressWindow)
        return;
    record->latestProgress.store(PackProgress(done, total));
    // A job that steps faster than the window can draw would only keep the
    // window busy: a few pictures a second are all the eye follows.
    const ULONGLONG now = GetTickCount64();
    if (done < total && now - record->lastProgressPost < kProgressIntervalMs) {
        record->progressHeldBack = true;
        return;
    }
    record->lastProgressPost = now;
    record->progressHeldBack = false;
    PostProgressMessage(*record, done, total);
}

void FlushJobProgress(JobRecord& record)
{
    if (!record.progressWindow || !record.progressHeldBack)
        return;
    record.progressHeldBack = false;
    const JobProgress latest = UnpackProgress(record.latestProgress.load());
    PostProgressMessage(record, latest.done, latest.total);
}

JobProgress TakeJobProgress(JobRecord& record, WPARAM wParam, LPARAM lParam)
{
    // Off before the read: a report the job makes after the read finds no
    // message waiting and posts one of its own.
    record.progressQueued.store(false);
    uint64_t latest = record.latestProgress.load();
    if (latest == kNoProgress)
        latest = PackProgress(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
    record.shownProgress = latest;
    return UnpackProgress(latest);
}

bool TakeUnshownJobProgress(JobRecord& record, JobProgress& progress)
{
    const uint64_t latest = record.latestProgress.load();
    if (latest == kNoProgress || latest == record.shownProgress)
        return false;
    record.shownProgress = latest;
    progress = UnpackProgress(latest);
    return true;
}

void RunJob(JobRecord& record)
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(record.dbPath, db, error)) {
        record.ok = false;
        record.value1 = 0;
        record.value2 = 0;
        record.message = "Database open failed: " + error;
        return;
    }
    if (record.kind == JobKind::StorePage) {
        int32_t cards = 0;
        std::string message;
        record.ok = WriteStorePage(db.get(), record.outputFolder, record.selfHostImages, record.settings, cards,
                                   message, PostJobProgress, &record, &record.cancelRequested);
        record.value1 = cards;
        record.value2 = 0;
        record.message = message;
        return;
    }
    const CatalogueUpdateResult result =
        record.catalogueSource
            ? UpdateCatalogueFrom(*record.catalogueSource, db.get(), record.apiKey, PostJobProgress, &record,
                                  &record.cancelRequested)
            : UpdateCatalogueOnline(db.get(), record.apiKey, PostJobProgress, &record, &record.cancelRequested);
    record.ok = result.ok;
    record.value1 = result.added;
    record.value2 = result.failedSets;
    record.message = result.message;
}

unsigned __stdcall JobThreadProc(void* context)
{
    auto& record = *static_cast<JobRecord*>(context);
    RunJob(record);
    FlushJobProgress(record);
    // Last of all: once the runner sees this it may join the thread and let
    // the record go.
    if (record.progressWindow)
        PostMessageW(record.progressWindow, WM_APP_JOB_DONE, 0, 0);
    return 0;
}

int32_t ProgressRangeTop(int32_t total)
{
    return total < 1 ? 1 : total;
}

std::wstring ProgressLabel(const JobRecord& record, int32_t done, int32_t total)
{
    wchar_t text[128];
    swprintf(text, 128, L"%ls\u2026  %d of %d %ls", record.progressVerb.c_str(), done, ProgressRangeTop(total),
             record.progressNoun.c_str());
    return text;
}

UpdateReport DescribeCatalogueUpdate(const JobResult& result, bool reloaded)
{
    UpdateReport report;
    if (result.message == "Cancelled.") {
        report.status = Format(L"Update cancelled \u2014 %d new card%ls kept", result.value1, Plural(result.value1));
        report.logLine = Format(L"Update cancelled: %d added", result.value1);
    } else if (!result.ok) {
        report.logLine = L"Update failed: " + Utf8ToWide(result.message);
        report.status = StatusLine(report.logLine);
    } else if (!reloaded) {
        report.status = L"Update downloaded, but the catalogue couldn\u2019t be reloaded \u2014 reopen the app";
        report.logLine = Format(L"Update OK (%d added) but ReloadCatalogue failed", result.value1);
    } else {
        report.status =
            result.value2 > 0
                ? Format(L"Added %d new card%ls \u2014 %d set%ls couldn't be fetched; click Update again to retry",
                         result.value1, Plural(result.value1), result.value2, Plural(result.value2))
                : Format(L"Added %d new card%ls", result.value1, Plural(result.value1));
        report.logLine = Format(L"Update OK: %d added, %d set(s) failed", result.value1, result.value2);
    }
    return report;
}
