// STAND-INS for core services that are being built on other branches
// (core/settings.h, core/backup.h, core/status.h, core/db_check.h). The
// declarations match theirs; this file and pending_core.cpp are deleted
// when those headers arrive, and the includes switch to them.
#pragma once

#include <string>

struct UiPrefs {
    bool selfHost = false;
    bool inStockOnly = false;
    bool alwaysOnTop = false;
    bool collectionMode = false;
    bool ebayCurrent = false;
    bool ebayHolo = false;
    bool debugLog = true;
};

std::wstring PrefsFilePath();
bool LoadUiPrefs(const std::wstring& path, UiPrefs& prefs);
bool SaveUiPrefs(const std::wstring& path, const UiPrefs& prefs, std::string& error);

bool BackupNow();
bool PreMigrationBackup(std::string& error);

using StatusSinkFn = void (*)(const std::wstring& text);
void SetStatusSink(StatusSinkFn sink);

bool DbNeedsUpgrade(int& version);
