// The one line of status text through which the core reports to the user.
// The program points it at the main window's status bar at start-up, so the
// core itself needs no window.
#pragma once

#include <string>

using StatusSinkFn = void (*)(const std::wstring& text);

// Set once at start-up, before any other thread exists. Null drops the text.
void SetStatusSink(StatusSinkFn sink);

// Hands the text to the installed sink; without one it goes nowhere.
void ReportStatus(const std::wstring& text);
