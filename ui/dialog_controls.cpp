#include "ui/dialog_controls.h"

#include <commctrl.h>

HWND CreateDialogControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                         const ControlBox& box, int id, HFONT font)
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    HWND control = CreateWindowExW(exStyle, className, text, style, box.x, box.y, box.width, box.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

LRESULT KeepDialogFocus(HWND window, WPARAM wParam, HWND& lastFocus)
{
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus))
            lastFocus = focus;
    } else if (lastFocus && IsWindow(lastFocus)) {
        SetFocus(lastFocus);
        wchar_t className[16] = {};
        GetClassNameW(lastFocus, className, 16);
        if (_wcsicmp(className, WC_EDITW) == 0)
            SendMessageW(lastFocus, EM_SETSEL, 0, -1);
    }
    return 0;
}

bool AnswerModalFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& running, HWND& lastFocus,
                      LRESULT& result)
{
    switch (message) {
    case WM_CLOSE:
        running = false;
        result = 0;
        return true;
    case WM_ACTIVATE:
        result = KeepDialogFocus(window, wParam, lastFocus);
        return true;
    case WM_DESTROY:
        // Its loop must not wait on a window that is gone.
        running = false;
        result = DefWindowProcW(window, message, wParam, lParam);
        return true;
    default:
        return false;
    }
}
