#include "app/main/startup.h"

#include "app/shell/main_state.h"
#include "app/shell/paint.h"
#include "ui/ui_calls.h"
#include "core/backup.h"
#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/status.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

namespace {

constexpr const wchar_t* kSingleInstanceMutex = L"KovsPokemonBinderwell.SingleInstance";

template <typename Fn>
Fn LookUp(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Keeps menus and scroll bars light where the system would follow a dark
// theme. The calls exist only from Windows 10 1809 on and have no names,
// only ordinals; where anything is missing the step quietly does nothing.
void KeepLightAppearance()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll)
        return;
    using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    const auto versionNumbers = LookUp<RtlGetNtVersionNumbersFn>(ntdll, "RtlGetNtVersionNumbers");
    if (!versionNumbers)
        return;
    DWORD major = 0, minor = 0, build = 0;
    versionNumbers(&major, &minor, &build);
    build &= 0x0FFFFFFF;
    if (build < 17763)
        return;
    HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll");
    if (!uxtheme)
        return;
    using SetPreferredAppModeFn = int(WINAPI*)(int);
    using NoArgumentsFn = void(WINAPI*)();
    const auto setPreferredAppMode = LookUp<SetPreferredAppModeFn>(uxtheme, MAKEINTRESOURCEA(135));
    const auto allowDarkModeForApp104 = LookUp<NoArgumentsFn>(uxtheme, MAKEINTRESOURCEA(104));
    const auto flushMenuThemes = LookUp<NoArgumentsFn>(uxtheme, MAKEINTRESOURCEA(136));
    if (setPreferredAppMode)
        setPreferredAppMode(build >= 18362 ? 3 : 0);
    if (allowDarkModeForApp104)
        allowDarkModeForApp104();
    if (flushMenuThemes)
        flushMenuThemes();
}

} // namespace

void InstallDataServices(const std::wstring& programFolder)
{
    SetDatabasePath(programFolder + L"\\binderwell.db");
    SetPreMigrationBackupHook(PreMigrationBackup);
}

bool HandOffToRunningInstance()
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kSingleInstanceMutex);
    // Without a mutex there is no way to tell; go on as the first instance.
    if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    HWND running = FindWindowW(kMainWindowClass, nullptr);
    if (running) {
        if (IsIconic(running))
            ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
    } else {
        Ui().messageBox(nullptr, L"Kov's Binderwell is already running.", L"Already running", MB_ICONINFORMATION);
    }
    CloseHandle(mutex);
    return true;
}

void StartServices()
{
    OleInitialize(nullptr);
    SetLogFolder(DataFolder());
    UiPrefs prefs;
    LoadUiPrefs(PrefsFilePath(), prefs);
    MainWindow().flags.debugLog = prefs.debugLog;
    DebugLogEnabled.exchange(prefs.debugLog);
    LogSection("Session start");
    Log("App started (v%s)", kProgramVersion);

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    CreateSharedBrushes();
    SetStatusSink(SetStatusText);
    KeepLightAppearance();
}

void StopServices(bool sessionEnded)
{
    if (sessionEnded) {
        Log("App exiting");
        LogSection("Session end");
    }
    CloseDebugLog();
    SetStatusSink(nullptr);
    DeleteSharedBrushes();
    OleUninitialize();
}
