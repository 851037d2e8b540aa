#include "app/jobs/job_runner.h"

#include "core/db.h"
#include "core/log.h"
#include "ui/controls.h"
#include "ui/modal_window.h"

#include <commctrl.h>
#include <process.h>

#include <cerrno>

namespace {

// The job whose runner is on the stack, for a close request that reaches
// its owner; the user-interface thread alone touches it.
struct RunningJob {
    JobRecord* record = nullptr;
    bool closeOwner = false;
};
RunningJob* runningJob = nullptr;

const CatalogueSource* catalogueJobSource = nullptr;

// The worker holds back a report made soon after its last post, and posts
// nothing more while a slow step runs (one picture downloading for
// seconds); between messages the window looks for such a report itself.
constexpr UINT_PTR kProgressCatchUpTimer = 1;
constexpr UINT kProgressCatchUpMs = 50;

// A control's place in its parent, in pixels.
struct Box {
    int x, y, width, height;
};

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, Box box, int id,
                 HFONT font)
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, box.x, box.y, box.width,
                                 box.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
    if (child && font)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return child;
}

// The controls, then the worker: the handles the worker may read are all in
// the record before it starts.
void OnProgressCreate(HWND window, JobRecord& record)
{
    const auto s = [&record](int value) { return MulDiv(value, record.dpi, 96); };
    record.progressWindow = window;
    record.label = CreateChild(window, WC_STATICW, L"Preparing\u2026", 0, Box{s(14), s(14), s(352), s(18)}, 0,
                               record.font);
    record.progressBar =
        CreateChild(window, PROGRESS_CLASSW, L"", 0, Box{s(14), s(14) + s(26), s(352), s(20)}, 0, nullptr);
    SendMessageW(record.progressBar, PBM_SETRANGE32, 0, 1);
    SendMessageW(record.progressBar, PBM_SETPOS, 0, 0);
    record.cancelButton =
        CreateChild(window, WC_BUTTONW, L"Cancel", WS_TABSTOP,
                    Box{s(14) + s(352) - s(90), s(14) + s(56), s(90), s(26)}, IDC_PROGRESS_CANCEL, record.font);

    SetTimer(window, kProgressCatchUpTimer, kProgressCatchUpMs, nullptr);
    record.thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, JobThreadProc, &record, 0, nullptr));
    if (!record.thread) {
        Log("Job: the worker thread could not be started (errno=%d)", errno);
        record.ok = false;
        record.value1 = 0;
        record.value2 = 0;
        record.message = "Could not start the worker thread.";
        record.running = false;
    }
}

void ShowProgress(JobRecord& record, JobProgress progress)
{
    SendMessageW(record.progressBar, PBM_SETRANGE32, 0, ProgressRangeTop(progress.total));
    SendMessageW(record.progressBar, PBM_SETPOS, static_cast<WPARAM>(progress.done), 0);
    // Once the user asked to stop, the label says so until the job ends.
    if (!record.cancelRequested.load())
        SetWindowTextW(record.label, ProgressLabel(record, progress.done, progress.total).c_str());
}

// Waits for the worker, asking it to stop first when stop is set, and lets
// go of its handle.
void JoinWorker(JobRecord& record, bool stop)
{
    if (!record.thread)
        return;
    if (stop)
        record.cancelRequested.exchange(true);
    WaitForSingleObject(record.thread, INFINITE);
    CloseHandle(record.thread);
    record.thread = nullptr;
}

void RequestCancel(JobRecord& record)
{
    record.cancelRequested.exchange(true);
    EnableWindow(record.cancelButton, FALSE);
    SetWindowTextW(record.label, L"Cancelling\u2026");
}

LRESULT CALLBACK ProgressWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    JobRecord* record = ModalState<JobRecord>(window, message, lParam);
    if (!record)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        OnProgressCreate(window, *record);
        return 0;
    case WM_APP_JOB_PROGRESS:
        ShowProgress(*record, TakeJobProgress(*record, wParam, lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kProgressCatchUpTimer) {
            JobProgress progress;
            if (TakeUnshownJobProgress(*record, progress))
                ShowProgress(*record, progress);
        }
        return 0;
    case WM_APP_JOB_DONE:
        record->running = false;
        return 0;
    case WM_COMMAND:
        // Only a click: Enter and Escape arrive as IDOK and IDCANCEL and
        // must not stop a job the user did not mean to stop.
        if (LOWORD(wParam) == IDC_PROGRESS_CANCEL && HIWORD(wParam) == BN_CLICKED)
            RequestCancel(*record);
        return 0;
    case WM_CLOSE:
        // The window stays until the job has ended; only its runner
        // destroys it.
        RequestCancel(*record);
        return 0;
    case WM_DESTROY:
        // Destroyed under a running job (its owner went): the job stops and
        // the loop must not wait for a message that can no longer come.
        if (record->running) {
            record->cancelRequested.exchange(true);
            record->running = false;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

JobResult RunJobWindow(HINSTANCE instance, HWND owner, const wchar_t* title, JobRecord& record)
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    const bool registered = RegisterModalClass(instance, kProgressWindowClass, ProgressWndProc);

    record.dbPath = DatabasePath();
    record.dpi = WindowDpi(owner);
    const FontHandle font(CreateUiFont(record.dpi, 9, FW_NORMAL));
    record.font = font.get();
    const auto s = [&record](int value) { return MulDiv(value, record.dpi, 96); };

    ModalWindowRun run;
    run.instance = instance;
    run.owner = owner;
    run.className = kProgressWindowClass;
    run.title = title;
    run.clientWidth = s(352) + 2 * s(14);
    run.clientHeight = s(26) + 2 * s(14) + s(14) + s(20) + s(26);
    run.state = &record;
    run.running = &record.running;
    run.startRunning = [&record] { return record.thread != nullptr; };
    // When the loop ended before the job did (a quit message: the program
    // is on its way out, or the window went), the job is stopped: left to
    // run, it would keep the program alive, windowless, for as long as it
    // takes.
    run.afterLoop = [&record] { JoinWorker(record, record.running); };

    RunningJob job;
    job.record = &record;
    RunningJob* outer = runningJob;
    runningJob = &job;
    const bool shown = registered && RunModalWindow(run);
    runningJob = outer;

    JobResult result;
    if (shown) {
        result = JobResult{record.ok, record.value1, record.value2, record.message};
    } else {
        result.message = "Could not create the progress window.";
        // A worker starts only in a window that is then shown; should that
        // ever change, it must still not outlive the record.
        JoinWorker(record, true);
    }
    DestroyJobRecord(record);
    if (job.closeOwner && IsWindow(owner))
        PostMessageW(owner, WM_CLOSE, 0, 0);
    return result;
}

} // namespace

JobResult RunCatalogueUpdateJob(HINSTANCE instance, HWND owner, const std::string& apiKey)
{
    JobRecord record;
    record.kind = JobKind::CatalogueUpdate;
    record.apiKey = apiKey;
    record.catalogueSource = catalogueJobSource;
    record.progressVerb = L"Downloading";
    record.progressNoun = L"sets";
    return RunJobWindow(instance, owner, L"Update catalogue", record);
}

JobResult RunGenerateJob(HWND owner, const std::wstring& outputFolder, const StoreSettings& settings)
{
    JobRecord record;
    record.kind = JobKind::StorePage;
    record.outputFolder = outputFolder;
    record.selfHostImages = true;
    CopyStoreSettings(settings, record.settings);
    record.progressVerb = L"Downloading images";
    record.progressNoun = L"images";
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    return RunJobWindow(instance ? instance : GetModuleHandleW(nullptr), owner, L"Generate store page", record);
}

bool CloseOwnerAfterJob()
{
    if (!runningJob)
        return false;
    runningJob->closeOwner = true;
    if (runningJob->record->progressWindow)
        SendMessageW(runningJob->record->progressWindow, WM_CLOSE, 0, 0);
    return true;
}

void SetCatalogueJobSource(const CatalogueSource* source)
{
    catalogueJobSource = source;
}
