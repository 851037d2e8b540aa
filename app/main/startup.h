// The process's start-up and shut-down steps around the main window, in
// the order the program runs them. Tests run the same steps with a folder
// of their own as the program folder.
#pragma once

#include <string>

// The database path in the program folder, and the backup that must exist
// before any schema upgrade; before anything can open the database.
void InstallDataServices(const std::wstring& programFolder);

// True when another instance already runs: its window has been brought
// forward (or the user told), and this process must exit with 0 having
// written nothing. Otherwise this process holds the single-instance mutex
// for the rest of its life.
bool HandOffToRunningInstance();

// OLE, the debug log (switched by prefs.ini), the common controls, the
// shared brushes, the status sink and the light appearance.
void StartServices();

// The last steps, after the message loop or a failed window creation:
// the log is closed, the brushes deleted, OLE released. sessionEnded writes
// "App exiting" and the "Session end" section first.
void StopServices(bool sessionEnded);
