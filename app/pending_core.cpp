// STAND-INS, see pending_core.h: they keep the defaults, write nothing and
// refuse every upgrade, so nothing can be lost while they are in place.
#include "app/pending_core.h"

#include "core/db.h"
#include "core/paths.h"

std::wstring PrefsFilePath()
{
    return FolderOfPath(DatabasePath()) + L"\\prefs.ini";
}

bool LoadUiPrefs(const std::wstring&, UiPrefs& prefs)
{
    prefs = UiPrefs();
    return false;
}

bool SaveUiPrefs(const std::wstring&, const UiPrefs&, std::string& error)
{
    error = "settings files are not built yet";
    return false;
}

bool BackupNow()
{
    return false;
}

bool PreMigrationBackup(std::string& error)
{
    error = "backups are not built yet";
    return false;
}

void SetStatusSink(StatusSinkFn) {}

bool DbNeedsUpgrade(int& version)
{
    version = -1;
    return false;
}
