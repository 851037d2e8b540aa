#include "app/jobs/update_command.h"

#include "app/grid/grid_view.h"
#include "app/grid/panel_calls.h"
#include "app/jobs/job_runner.h"
#include "app/shell/main_state.h"
#include "core/backup.h"
#include "core/log.h"

void OnUpdateCatalogueOnline()
{
    if (!Panel().confirmUnsavedChanges())
        return;
    // The update only adds rows, so a failed backup is no reason to stop.
    if (!BackupNow())
        Log("Update online: pre-update backup failed; proceeding (add-only update can't lose data)");
    LogSection("Update online");
    SetStatusText(L"Fetching catalogue data\u2026");

    const MainWindowState& state = MainWindow();
    HWND main = state.window;
    const JobResult result = RunCatalogueUpdateJob(state.instance, main, "");
    // The window may have gone while the job ran; nothing of it is touched
    // then.
    if (!main || state.window != main || !IsWindow(main)) {
        Log("Update online: the main window closed during the update (%d added)", result.value1);
        return;
    }
    // Also after a failure or a cancel: every committed set is in the
    // database and belongs in the grid.
    bool reloaded = false;
    ReloadCatalogue(&reloaded);
    const UpdateReport report = DescribeCatalogueUpdate(result, reloaded);
    SetStatusText(report.status);
    LogW(L"%ls", report.logLine.c_str());
}
