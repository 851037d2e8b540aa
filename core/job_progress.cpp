#include "core/job_progress.h"

void PostJobProgress(void* context, int32_t done, int32_t total)
{
    const auto* target = static_cast<const JobProgressTarget*>(context);
    if (!target || !target->progressWindow)
        return;
    PostMessageW(target->progressWindow, WM_APP_JOB_PROGRESS, static_cast<WPARAM>(done),
                 static_cast<LPARAM>(total));
}
