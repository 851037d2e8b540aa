#include "ui/modal_window.h"

#include "core/log.h"
#include "ui/message_loop.h"

namespace {

constexpr DWORD kModalStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kModalExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Centred on the owner's window rectangle, but never off the top or left
// edge, where the caption could not be reached.
POINT CentredOn(HWND owner, int width, int height)
{
    RECT frame = {};
    GetWindowRect(owner, &frame);
    const LONG x = frame.left + (frame.right - frame.left - width) / 2;
    const LONG y = frame.top + (frame.bottom - frame.top - height) / 2;
    return POINT{x < 0 ? 0 : x, y < 0 ? 0 : y};
}

} // namespace

int WindowDpi(HWND window)
{
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window, dc);
    return dpi > 0 ? dpi : 96;
}

bool RegisterModalClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure)
{
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, className, &existing))
        return true;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (RegisterClassExW(&windowClass))
        return true;
    LogW(L"RegisterClassEx %ls failed (err=%lu)", className, GetLastError());
    return false;
}

bool RunModalWindow(const ModalWindowRun& run)
{
    RECT frame = {0, 0, run.clientWidth, run.clientHeight};
    AdjustWindowRectEx(&frame, kModalStyle, FALSE, kModalExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const POINT at = CentredOn(run.owner, width, height);
    HWND window = CreateWindowExW(kModalExStyle, run.className, run.title, kModalStyle, at.x, at.y, width, height,
                                  run.owner, nullptr, run.instance, run.state);
    if (!window) {
        LogW(L"CreateWindowEx %ls failed (err=%lu)", run.className, GetLastError());
        return false;
    }

    EnableWindow(run.owner, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    *run.running = run.startRunning ? run.startRunning() : true;
    if (*run.running)
        RunModalMessageLoop(window, *run.running);
    if (run.afterLoop)
        run.afterLoop();

    // The owner first: destroying the active window while its owner is still
    // disabled would hand the activation to another program. An owner that
    // went meanwhile took the window with it.
    if (run.owner && !IsWindow(run.owner))
        return true;
    EnableWindow(run.owner, TRUE);
    SetForegroundWindow(run.owner);
    DestroyWindow(window);
    return true;
}
