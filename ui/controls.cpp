#include "ui/controls.h"

#include <commctrl.h>

void FillComboBox(HWND combo, const wchar_t* first, const std::vector<std::wstring>& values)
{
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(first));
    for (const std::wstring& value : values)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(value.c_str()));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

std::wstring ComboItemText(HWND combo, int index)
{
    if (index < 0)
        return std::wstring();
    const auto length = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const auto copied = static_cast<int>(
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied > 0 && copied <= length ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring GetComboFilterText(HWND combo)
{
    const auto selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    return selected <= 0 ? std::wstring() : ComboItemText(combo, selected);
}

bool IsChecked(HWND button)
{
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND button, bool checked)
{
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 && copied <= length ? static_cast<size_t>(copied) : 0);
    return text;
}

void SetListItemState(HWND list, int item, UINT state, UINT mask)
{
    LVITEMW change = {};
    change.state = state;
    change.stateMask = mask;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&change));
}

HWND CreateLabel(HWND parent, const wchar_t* text, HFONT font)
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    HWND label = CreateWindowExW(0, WC_STATICW, text, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr, instance,
                                 nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return label;
}

HFONT CreateUiFont(int dpi, int points, int weight)
{
    return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"Segoe UI");
}
