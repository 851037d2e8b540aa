// The two long operations run as background jobs: a worker thread does the
// work on its own database connection while a small modal progress window
// ("KovImportProgress": a label, a progress bar and Cancel) shows how far it
// got over its disabled owner. The runner returns once the worker has ended.
#pragma once

#include "app/jobs/job_record.h"
#include "core/catalogue_update.h"
#include "core/settings.h"

#include <windows.h>

#include <string>

constexpr const wchar_t* kProgressWindowClass = L"KovImportProgress";
constexpr int IDC_PROGRESS_CANCEL = 501;

// The online catalogue update over owner (the main window). value1 is the
// cards added, value2 the sets that failed.
JobResult RunCatalogueUpdateJob(HINSTANCE instance, HWND owner, const std::string& apiKey);

// The store page with self-hosted images, written to outputFolder over owner
// (the main window). value1 is the cards on the page.
JobResult RunGenerateJob(HWND owner, const std::wstring& outputFolder, const StoreSettings& settings);

// For a close request that reaches the owner while a job runs: the job is
// asked to stop as the progress window's Cancel would, and the owner gets
// WM_CLOSE again once the job has ended and its runner has returned. False
// when no job runs.
bool CloseOwnerAfterJob();

// Where catalogue update jobs fetch from; null (the default) for the
// card-data repository. For tests and benchmarks with a local server; the
// source must outlive every job started meanwhile.
void SetCatalogueJobSource(const CatalogueSource* source);
