// What the program's own windows share beyond the modal runner: making a
// child control in the window's font, and giving the keyboard back where it
// was when the window is active again.
#pragma once

#include <windows.h>

// A control's place in its parent, in pixels.
struct ControlBox {
    int x, y, width, height;
};

// The child in the parent's instance, with its id and font; null when
// Windows could not make it.
HWND CreateDialogControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                         const ControlBox& box, int id, HFONT font);

// For a window's WM_ACTIVATE, as a dialog does: on the way out the control
// that has the keyboard is remembered, on the way back it gets it again (an
// edit with its text selected), rather than the window itself. Returns what
// the window procedure returns.
LRESULT KeepDialogFocus(HWND window, WPARAM wParam, HWND& lastFocus);

// The messages that the program's own modal windows (all but the progress
// window) answer alike: the close box only ends the loop (the runner
// destroys the window), WM_DESTROY ends it too, whoever destroys the
// window, and activation keeps the keyboard as KeepDialogFocus does. True
// when the message was one of them, with what the procedure returns.
bool AnswerModalFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& running, HWND& lastFocus,
                      LRESULT& result);
