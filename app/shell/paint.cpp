#include "app/shell/paint.h"

#include <algorithm>

namespace {

SharedBrushes brushes;

// Puts back what was selected into a device context when it goes out of
// scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

HFONT ControlFont(HWND control)
{
    return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

void DeleteBrush(HBRUSH& brush)
{
    if (brush)
        DeleteObject(brush);
    brush = nullptr;
}

void RoundFilled(HDC dc, const RECT& r, HBRUSH fill, HPEN pen, int corner)
{
    SelectedObject brush(dc, fill);
    SelectedObject outline(dc, pen);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, corner, corner);
}

} // namespace

const SharedBrushes& Brushes()
{
    return brushes;
}

void CreateSharedBrushes()
{
    if (brushes.window)
        return;
    brushes.window = CreateSolidBrush(kWindowColour);
    brushes.white = CreateSolidBrush(kWhite);
    brushes.header = CreateSolidBrush(kHeaderColour);
    brushes.buttonFace = CreateSolidBrush(kButtonFace);
    brushes.buttonPressed = CreateSolidBrush(kButtonPressed);
    brushes.frame = CreateSolidBrush(kFrameColour);
}

void DeleteSharedBrushes()
{
    DeleteBrush(brushes.window);
    DeleteBrush(brushes.white);
    DeleteBrush(brushes.header);
    DeleteBrush(brushes.buttonFace);
    DeleteBrush(brushes.buttonPressed);
    DeleteBrush(brushes.frame);
}

HBRUSH ControlColours(UINT message, HDC dc)
{
    SetTextColor(dc, kInk);
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) {
        SetBkColor(dc, kWhite);
        return brushes.white;
    }
    SetBkColor(dc, kWindowColour);
    SetBkMode(dc, TRANSPARENT);
    return brushes.window;
}

void PaintCheckBox(HDC dc, const RECT& r, bool checked)
{
    FillRect(dc, &r, brushes.white);
    FrameRect(dc, &r, brushes.frame);
    if (!checked)
        return;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    HPEN pen = CreatePen(PS_SOLID, std::max(w / 7, 1), kInk);
    {
        SelectedObject selected(dc, pen);
        MoveToEx(dc, r.left + w * 26 / 100, r.top + h * 52 / 100, nullptr);
        LineTo(dc, r.left + w * 44 / 100, r.top + h * 70 / 100);
        LineTo(dc, r.left + w * 76 / 100, r.top + h * 28 / 100);
    }
    DeleteObject(pen);
}

void PaintModeToggle(const DRAWITEMSTRUCT& item, bool collectionMode)
{
    HDC dc = item.hDC;
    const RECT r = item.rcItem;
    const int mid = (r.left + r.right) / 2;

    HBRUSH pillBrush = CreateSolidBrush(kHeaderColour);
    HPEN pillPen = CreatePen(PS_SOLID, 1, kFrameColour);
    RoundFilled(dc, r, pillBrush, pillPen, r.bottom - r.top);
    DeleteObject(pillBrush);
    DeleteObject(pillPen);

    RECT selected = r;
    if (collectionMode)
        selected.left = mid;
    else
        selected.right = mid;
    InflateRect(&selected, -2, -2);
    HBRUSH accentBrush = CreateSolidBrush(kAccent);
    RoundFilled(dc, selected, accentBrush, static_cast<HPEN>(GetStockObject(NULL_PEN)),
                selected.bottom - selected.top);
    DeleteObject(accentBrush);

    SelectedObject font(dc, ControlFont(item.hwndItem));
    SetBkMode(dc, TRANSPARENT);
    constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    RECT sales = {r.left, r.top, mid, r.bottom};
    SetTextColor(dc, collectionMode ? kMuted : kWhite);
    DrawTextW(dc, L"Sales", -1, &sales, kCentred);
    RECT collection = {mid, r.top, r.right, r.bottom};
    SetTextColor(dc, collectionMode ? kWhite : kMuted);
    DrawTextW(dc, L"Collection", -1, &collection, kCentred);
}

void PaintOwnerButton(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &item.rcItem, pressed ? brushes.buttonPressed : brushes.buttonFace);
    FrameRect(dc, &item.rcItem, brushes.frame);

    wchar_t text[160] = {};
    GetWindowTextW(item.hwndItem, text, 160);
    SelectedObject font(dc, ControlFont(item.hwndItem));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (item.itemState & ODS_DISABLED) ? kMuted : kInk);
    RECT textRect = item.rcItem;
    if (pressed) {
        ++textRect.left;
        ++textRect.top;
    }
    DrawTextW(dc, text, -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

