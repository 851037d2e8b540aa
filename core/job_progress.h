// How a background job reports its progress: the job calls a callback after
// each step, and the job runner's callback posts it to the progress window.
// Posted, never sent, so the worker never waits on the user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT WM_APP_JOB_PROGRESS = WM_APP + 1;  // wParam done, lParam total

// Called after each step with the step's one-based position and the number
// of steps; must not block.
using JobProgressFn = void (*)(void* context, int32_t done, int32_t total);

// The part of a job's record that its progress callback reads; the record
// hands its own address as the context.
struct JobProgressTarget {
    HWND progressWindow = nullptr;
};

// The job runner's callback: context is a JobProgressTarget (or null). Posts
// WM_APP_JOB_PROGRESS to its progress window when there is one; otherwise
// does nothing.
void PostJobProgress(void* context, int32_t done, int32_t total);
