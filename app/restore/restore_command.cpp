#include "app/restore/restore_command.h"

#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/grid/panel_calls.h"
#include "app/restore/restore_files.h"
#include "app/shell/main_state.h"
#include "core/backup.h"
#include "core/db.h"
#include "core/db_check.h"
#include "core/log.h"
#include "core/text.h"
#include "ui/ui_calls.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

namespace {

constexpr const wchar_t* kTitle = L"Restore from backup";

void ShowError(const std::wstring& text)
{
    Ui().messageBox(MainWindow().window, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
}

// False when the user cancelled or the chooser failed.
bool ChooseBackupFile(std::wstring& chosen)
{
    wchar_t file[MAX_PATH] = {};
    const std::wstring backups = DataFolder() + L"\\backups";
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = MainWindow().window;
    request.lpstrFilter = L"Binderwell database\0*.db\0All files\0*.*\0";
    request.lpstrFile = file;
    request.nMaxFile = MAX_PATH;
    request.lpstrInitialDir = backups.c_str();
    request.lpstrDefExt = L"db";
    request.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!Ui().getOpenFileName(&request))
        return false;
    chosen = file;
    return true;
}

// The status text of step 11 replaces whatever the reload's own was.
void ReportRestored(const std::wstring& chosen)
{
    SetStatusText(Grid().rows.empty()
                      ? L"Restored \u2014 catalogue is empty; use File \u2192 Update catalogue online to load cards"
                      : L"Restored from backup");
    LogW(L"Restored database from: %ls", chosen.c_str());
}

// The restored file could not be loaded: the safety copy goes back in the
// same way, and the user hears which state the database is in now.
void RollBack(const std::wstring& safetyCopy)
{
    const std::wstring& database = DatabasePath();
    bool rolledBack = false;
    ReplaceFailure failure;
    if (!safetyCopy.empty()) {
        if (ReplaceDatabaseFrom(safetyCopy, RollbackStagingPath(database), database, failure)) {
            Panel().clearPanel();
            ReloadCatalogue(&rolledBack);
        } else if (failure.step == ReplaceStep::Stage) {
            Log("Restore rollback CopyFile failed (err=%lu)", failure.code);
        } else {
            Log("Restore rollback MoveFileEx failed (err=%lu)", failure.code);
        }
    }
    if (rolledBack) {
        ShowError(L"The restored database couldn't be opened, so your previous database was put back.");
        SetStatusText(L"Restore failed \u2014 previous database kept");
        LogW(L"Restore reload failed; rolled back from %ls", safetyCopy.c_str());
        return;
    }
    std::wstring text = L"The restored database couldn't be opened, and putting your previous database back also "
                        L"failed.\n\n";
    text += safetyCopy.empty() ? L"There was no previous database to restore (nothing was lost)."
                               : L"Your previous database is safe here:\n" + safetyCopy +
                                     L"\n\nClose Binderwell and copy that file over binderwell.db to recover it.";
    ShowError(text);
    SetStatusText(L"Restore failed \u2014 recover the safety backup manually");
    LogW(L"Restore rollback FAILED; safety copy at %ls", safetyCopy.empty() ? L"(none)" : safetyCopy.c_str());
}

} // namespace

void OnRestoreFromBackup()
{
    if (!Panel().confirmUnsavedChanges())
        return;
    std::wstring chosen;
    if (!ChooseBackupFile(chosen))
        return;

    const std::wstring& database = DatabasePath();
    switch (ClassifyCandidate(chosen, database)) {
    case CandidateFile::LiveDatabase:
        SetStatusText(L"That's the current database");
        return;
    case CandidateFile::StagingFile:
        SetStatusText(L"That's a temporary file of the restore itself \u2014 copy it elsewhere to restore from it");
        return;
    case CandidateFile::Other:
        break;
    }
    const RestoreSourceHold hold(chosen);

    if (Ui().messageBox(MainWindow().window,
                        L"Restore will replace your current catalogue and stock with the selected backup.\n\nYour "
                        L"current database is backed up first. Continue?",
                        kTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;

    std::string error;
    if (!ValidateDatabaseFile(chosen, error)) {
        const std::wstring reason = Utf8ToWide(error);
        ShowError(L"That file can't be used as a backup:\n\n" + reason + L"\n\nYour current database is unchanged.");
        SetStatusText(L"Restore cancelled \u2014 not a usable backup");
        LogW(L"Restore rejected candidate: %ls", reason.c_str());
        return;
    }

    // A fresh installation has nothing to keep; the restore goes on
    // without a safety copy.
    std::wstring safetyCopy;
    if (GetFileAttributesW(database.c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::wstring made;
        if (!SafetyBackup(L"before-restore", made, error)) {
            ShowError(L"Couldn't create a safety backup of your current database, so the restore was cancelled. "
                      L"Your data is unchanged.\n\n(" +
                      Utf8ToWide(error) + L")");
            SetStatusText(L"Restore cancelled \u2014 safety backup failed");
            return;
        }
        safetyCopy = made;
    }

    ReplaceFailure failure;
    if (!ReplaceDatabaseFrom(chosen, RestoreStagingPath(database), database, failure)) {
        if (failure.step == ReplaceStep::Stage) {
            SetStatusText(L"Restore failed \u2014 could not stage the backup");
            Log("Restore stage CopyFile failed (err=%lu)", failure.code);
        } else {
            SetStatusText(L"Restore failed \u2014 could not replace the database");
            Log("Restore MoveFileEx failed (err=%lu)", failure.code);
        }
        return;
    }

    Panel().clearPanel();
    bool reloaded = false;
    ReloadCatalogue(&reloaded);
    if (reloaded)
        ReportRestored(chosen);
    else
        RollBack(safetyCopy);
}
