// The one message loop of the program: GetMessageW, then IsDialogMessageW
// for the window that owns the keyboard (Tab, Enter and Escape), else
// TranslateMessage and DispatchMessageW. There is no accelerator table.
#pragma once

#include <windows.h>

// Until WM_QUIT; returns its code. When the thread's queue fails the loop
// ends with kMessageLoopFailed and the failure is logged.
constexpr int kMessageLoopFailed = 1;
int RunMainMessageLoop(HWND main);

// A modal window's loop: runs until running drops, checked after each
// message. A WM_QUIT met here is posted again so that the main loop ends
// too.
void RunModalMessageLoop(HWND window, const bool& running);
