// The one way the program runs a window of its own other than the main
// window: a registered class without a dialog template, shown over its owner
// while the owner is disabled, with a message loop of its own that returns
// only when the window has closed. Each window brings its class, state,
// font, size and window procedure; what they differ in (where the font and
// dpi come from, what WM_CLOSE does, what must happen after the loop) stays
// with the window.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <type_traits>

// A font a window made for itself; deleted when its holder goes, which is
// after the window that used it has been destroyed.
struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// LOGPIXELSX of the window's device context; the screen's for no window.
int WindowDpi(HWND window);

// Registers the class with the arrow cursor and the button-face background,
// unless the process has it already. False, with the error logged, when it
// cannot be registered.
bool RegisterModalClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure);

struct ModalWindowRun {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    const wchar_t* className = nullptr;
    const wchar_t* title = nullptr;
    // The client area in pixels, already scaled to the window's dpi.
    int clientWidth = 0;
    int clientHeight = 0;
    // The window's state: the creation parameter, which its procedure keeps
    // (ModalState below).
    void* state = nullptr;
    // The loop runs while this is set; the window clears it to close.
    bool* running = nullptr;
    // Whether there is anything to wait for once the window shows; without
    // it, always (a progress window whose worker never started has nothing).
    std::function<bool()> startRunning;
    // After the loop, while the owner is still disabled and the window still
    // exists (a progress window waits here for its worker).
    std::function<void()> afterLoop;
};

// Creates the window centred on its owner, disables the owner, shows the
// window and runs its loop until *running drops or a quit message arrives
// (which is posted again for the main loop); then enables the owner, brings
// it to the foreground and destroys the window. False when the window could
// not be created: nothing was shown and the owner was not touched.
bool RunModalWindow(const ModalWindowRun& run);

// For a modal window's procedure: keeps the creation parameter on WM_CREATE
// and gives it back for every later message; null before WM_CREATE.
template <typename State>
State* ModalState(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* state = static_cast<State*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        return state;
    }
    return reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
