// A background job as the runner, its worker thread and its progress
// window share it: what to run, where its progress goes, the cancel flag and
// the outcome. This part needs no window of its own: the worker's steps,
// the progress callback and the words the user reads after the catalogue
// update are tested without a display. The progress window and the runners
// that show it are in job_runner.h.
#pragma once

#include "core/catalogue_update.h"
#include "core/settings.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

enum class JobKind : int32_t {
    CatalogueUpdate = 0, // UpdateCatalogueOnline
    StorePage = 1,       // WriteStorePage with self-hosted images
};

// Posted by the worker to the progress window, never sent: the worker must
// not wait on the user-interface thread.
constexpr UINT WM_APP_JOB_PROGRESS = WM_APP + 1; // wParam done, lParam total
constexpr UINT WM_APP_JOB_DONE = WM_APP + 2;     // the worker is about to end

struct JobRecord {
    JobRecord();
    ~JobRecord();
    JobRecord(const JobRecord&) = delete;
    JobRecord& operator=(const JobRecord&) = delete;

    JobKind kind;
    std::wstring dbPath;
    std::string apiKey;        // catalogue update; always empty
    std::wstring outputFolder; // store page
    bool selfHostImages;       // store page
    StoreSettings settings;    // store page: a copy of the caller's
    // Where a catalogue update fetches from; null for the card-data
    // repository itself. Tests and benchmarks point it at a local server.
    const CatalogueSource* catalogueSource;
    // The progress label reads "<verb>…  <done> of <total> <noun>".
    std::wstring progressVerb;
    std::wstring progressNoun;
    // Set while the progress window is created, before the worker starts,
    // and only read afterwards.
    HWND progressWindow;
    HWND label;
    HWND progressBar;
    HWND cancelButton;
    HFONT font; // the runner's; it makes and deletes it
    int dpi;
    HANDLE thread;
    // Written by the user-interface thread, read by the job between steps.
    std::atomic<bool> cancelRequested;
    // The newest progress the job reported, done and total in one value,
    // which the window shows whatever the message that woke it carried.
    std::atomic<uint64_t> latestProgress;
    // Set while a WM_APP_JOB_PROGRESS waits in the window's queue, so that
    // there is never more than one: posted messages are taken before mouse
    // and keyboard input, and a backlog of them kept a click on Cancel
    // waiting until the job had ended.
    std::atomic<bool> progressQueued;
    // The worker's own: when it last posted progress, and whether a report
    // since then was held back.
    ULONGLONG lastProgressPost;
    bool progressHeldBack;
    // The report the window shows, packed as latestProgress; the
    // user-interface thread alone touches it.
    uint64_t shownProgress;
    // The runner's loop runs while this is set; the user-interface thread
    // alone touches it.
    bool running;
    // The outcome, written by the worker before it posts WM_APP_JOB_DONE
    // and read by the runner once the worker has ended.
    bool ok;
    int32_t value1; // catalogue update: cards added; store page: cards on the page
    int32_t value2; // catalogue update: sets that failed
    std::string message; // why, when not ok; "Cancelled." after a cancel
};

// What a runner hands back, copied from the record once the worker ended.
struct JobResult {
    bool ok = false;
    int32_t value1 = 0;
    int32_t value2 = 0;
    std::string message;
};

// Every field back to its default: a catalogue update with nothing set,
// "Working" and "items" for the label, dpi 96, no handles, no outcome.
void InitJobRecord(JobRecord& record);
// Closes the worker's handle when it is still held and lets go of the
// record's texts and settings.
void DestroyJobRecord(JobRecord& record);
// All nine strings of one set of store settings into another.
void CopyStoreSettings(const StoreSettings& from, StoreSettings& to);

// The progress callback both jobs are given, with their record as the
// context (null is allowed): keeps the report as the record's latest and
// posts WM_APP_JOB_PROGRESS to the record's progress window, when it has
// one, unless a progress message is waiting there already or the last was
// posted less than kProgressIntervalMs ago. The job's last report (done
// equal to total) is never held back for the time.
constexpr ULONGLONG kProgressIntervalMs = 40;
void PostJobProgress(void* context, int32_t done, int32_t total);
// At the job's end: posts a report that was held back for the time, so the
// window shows the final count before WM_APP_JOB_DONE.
void FlushJobProgress(JobRecord& record);

// What the window shows for a progress message: takes the waiting mark off
// first, so that a report made from now on is posted anew, then gives the
// latest report, or the message's own values when the job made none.
struct JobProgress {
    int32_t done = 0;
    int32_t total = 0;
};
JobProgress TakeJobProgress(JobRecord& record, WPARAM wParam, LPARAM lParam);
// For the window's timer, which looks between messages: the latest report
// when the window does not show it yet. A report held back for the time
// reaches the window this way while the job is busy with a slow step, and
// no message is posted for it.
bool TakeUnshownJobProgress(JobRecord& record, JobProgress& progress);

// The worker's part, on whatever thread calls it: its own connection to
// dbPath, the job, the outcome into the record, the connection closed.
void RunJob(JobRecord& record);
// The worker thread (_beginthreadex): RunJob, then WM_APP_JOB_DONE to the
// progress window, if there is one. Returns 0.
unsigned __stdcall JobThreadProc(void* record);

// The top of the progress bar's range for a reported total: a total below
// 1 is shown as 1, so that the range is never empty.
int32_t ProgressRangeTop(int32_t total);
// "<verb>\u2026  <done> of <top> <noun>", with the range's top as the total.
std::wstring ProgressLabel(const JobRecord& record, int32_t done, int32_t total);

// The catalogue update's last words: the status line and the log line.
struct UpdateReport {
    std::wstring status;
    std::wstring logLine;
};
// What the user reads once the update job has ended and the catalogue has
// been reloaded (or not).
UpdateReport DescribeCatalogueUpdate(const JobResult& result, bool reloaded);
