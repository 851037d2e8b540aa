#include "app/sales/review_sales.h"

#include "ui/dialog_controls.h"

#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"
#include "core/text.h"
#include "ui/controls.h"
#include "ui/modal_window.h"
#include "ui/ui_calls.h"

#include <commctrl.h>

#include <array>
#include <cwchar>

namespace {

constexpr const wchar_t* kTitle = L"Review sales";

// The six controls of a row, left to right.
enum RowColumn { kName, kVariant, kCondition, kStock, kQty, kPrice, kRowColumns };

// Each column's place in a row at 96 dpi: x, y below the row's top, size.
struct ColumnPlace {
    int x, dy, width, height;
};
constexpr ColumnPlace kColumnPlaces[kRowColumns] = {
    {0, 5, 190, 20}, {196, 5, 84, 20}, {286, 5, 84, 20}, {376, 5, 56, 20}, {438, 2, 52, 24}, {496, 2, 84, 24},
};

using RowControls = std::array<HWND, kRowColumns>;

struct ReviewSalesDialog {
    std::wstring databasePath;
    std::vector<std::wstring> channelNames;
    int defaultChannel = 0;
    std::vector<ReviewItem> items;
    // The controls of a few rows: slots[i] shows items[firstBound + i].
    std::vector<RowControls> slots;
    size_t firstBound = 0;
    // While the slots are given other rows, their edits' notifications are
    // the window's own doing, not the user's.
    bool binding = false;
    HWND viewport = nullptr;
    HWND channel = nullptr;
    HWND total = nullptr;
    FontHandle normalFont;
    FontHandle boldFont;
    int dpi = 96;
    ReviewScroll scroll;
    bool running = false;
    bool committed = false;
    int32_t rowsRecorded = 0;
    // The control that had the keyboard when the window last lost it.
    HWND lastFocus = nullptr;

    int Scale(int value) const { return MulDiv(value, dpi, 96); }
};

RowColumn ColumnOf(ReviewField field)
{
    return field == ReviewField::Qty ? kQty : kPrice;
}

// The slot and field of one of the rows' edits.
bool FindEdit(const ReviewSalesDialog& state, HWND edit, size_t& slot, ReviewField& field)
{
    for (slot = 0; slot < state.slots.size(); ++slot) {
        for (ReviewField candidate : {ReviewField::Qty, ReviewField::Price}) {
            if (state.slots[slot][ColumnOf(candidate)] == edit) {
                field = candidate;
                return true;
            }
        }
    }
    return false;
}

void BindSlot(ReviewSalesDialog& state, size_t slot)
{
    const ReviewItem& item = state.items[state.firstBound + slot];
    const RowControls& row = state.slots[slot];
    wchar_t stock[16];
    swprintf(stock, 16, L"%d", item.stock);
    SetWindowTextW(row[kName], item.name.c_str());
    SetWindowTextW(row[kVariant], item.variant.c_str());
    SetWindowTextW(row[kCondition], item.condition.c_str());
    SetWindowTextW(row[kStock], stock);
    SetWindowTextW(row[kQty], item.qtyText.c_str());
    SetWindowTextW(row[kPrice], item.priceText.c_str());
}

// The slots take the rows from first on. A field being typed in keeps the
// keyboard: it moves to the slot that now shows its row, or, when that row
// has no slot any more, to the row area itself.
void BindSlots(ReviewSalesDialog& state, size_t first)
{
    size_t focusSlot = 0;
    ReviewField focusField = ReviewField::Qty;
    const bool typing = FindEdit(state, GetFocus(), focusSlot, focusField);
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
    if (typing)
        SendMessageW(state.slots[focusSlot][ColumnOf(focusField)], EM_GETSEL,
                     reinterpret_cast<WPARAM>(&selectionStart), reinterpret_cast<LPARAM>(&selectionEnd));
    const size_t focusRow = state.firstBound + focusSlot;

    state.binding = true;
    state.firstBound = first;
    for (size_t slot = 0; slot < state.slots.size(); ++slot)
        BindSlot(state, slot);
    if (typing) {
        if (focusRow >= first && focusRow < first + state.slots.size()) {
            HWND edit = state.slots[focusRow - first][ColumnOf(focusField)];
            SetFocus(edit);
            SendMessageW(edit, EM_SETSEL, selectionStart, selectionEnd);
        } else {
            SetFocus(state.viewport);
        }
    }
    state.binding = false;
}

void LayoutReviewRows(ReviewSalesDialog& state)
{
    for (size_t slot = 0; slot < state.slots.size(); ++slot) {
        const int row = static_cast<int>(state.firstBound + slot);
        const int top = row * state.scroll.pitch - state.scroll.position;
        for (int c = 0; c < kRowColumns; ++c) {
            const ColumnPlace& place = kColumnPlaces[c];
            MoveWindow(state.slots[slot][c], state.Scale(place.x), top + state.Scale(place.dy),
                       state.Scale(place.width), state.Scale(place.height), TRUE);
        }
    }
}

void UpdateReviewScrollbar(ReviewSalesDialog& state)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = state.scroll.contentHeight > 0 ? state.scroll.contentHeight - 1 : 0;
    info.nPage = static_cast<UINT>(state.scroll.viewportHeight);
    info.nPos = state.scroll.position;
    SetScrollInfo(state.viewport, SB_VERT, &info, TRUE);
}

void ScrollReviewTo(ReviewSalesDialog& state, int position)
{
    position = ClampReviewScroll(state.scroll, position);
    if (position == state.scroll.position)
        return;
    state.scroll.position = position;
    const size_t first = ReviewFirstBoundRow(state.scroll, state.items.size());
    if (first != state.firstBound)
        BindSlots(state, first);
    LayoutReviewRows(state);
    UpdateReviewScrollbar(state);
}

void UpdateReviewTotal(ReviewSalesDialog& state)
{
    SetWindowTextW(state.total, ReviewTotalText(state.items).c_str());
}

// Into view first: the keyboard must never sit in a field the user cannot
// see.
void FocusRowField(ReviewSalesDialog& state, size_t row, ReviewField field)
{
    ScrollReviewTo(state, ReviewScrollToShow(state.scroll, row));
    HWND edit = state.slots[row - state.firstBound][ColumnOf(field)];
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

// What the user typed goes to the row the edit shows.
void OnRowEdited(ReviewSalesDialog& state, HWND edit)
{
    size_t slot = 0;
    ReviewField field = ReviewField::Qty;
    if (!FindEdit(state, edit, slot, field))
        return;
    ReviewItem& item = state.items[state.firstBound + slot];
    (field == ReviewField::Qty ? item.qtyText : item.priceText) = WindowText(edit);
    UpdateReviewTotal(state);
}

// Tab into the row beyond an edge of the view brings that row into view.
void OnRowFocused(ReviewSalesDialog& state, HWND edit)
{
    size_t slot = 0;
    ReviewField field = ReviewField::Qty;
    if (FindEdit(state, edit, slot, field))
        ScrollReviewTo(state, ReviewScrollToShow(state.scroll, state.firstBound + slot));
}

void CommitReviewSales(HWND window, ReviewSalesDialog& state)
{
    const int selection = static_cast<int>(SendMessageW(state.channel, CB_GETCURSEL, 0, 0));
    const std::wstring channel = ReviewChannel(state.channelNames, selection);

    std::vector<SaleLine> lines;
    ReviewProblem problem;
    switch (BuildReviewSaleLines(state.items, channel, lines, problem)) {
    case ReviewCheck::BadRow:
        Ui().messageBox(window, problem.text.c_str(), kTitle, MB_ICONWARNING);
        FocusRowField(state, problem.row, problem.field);
        return;
    case ReviewCheck::NothingToSell:
        Ui().messageBox(window, L"Set a quantity on at least one row (or Cancel).", kTitle, MB_ICONINFORMATION);
        return;
    case ReviewCheck::Ready:
        break;
    }

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(state.databasePath, db, error)) {
        Ui().messageBox(window, L"Could not open the database.", kTitle, MB_ICONERROR);
        Log("ReviewSales OpenReadyDb: %s", error.c_str());
        return;
    }
    int32_t rows = 0;
    const bool recorded = RecordSales(db.get(), lines, error, &rows);
    db.reset();
    if (!recorded) {
        const std::wstring wideError = Utf8ToWide(error);
        Ui().messageBox(window, (L"The sale could not be recorded:\n\n" + wideError).c_str(), kTitle, MB_ICONERROR);
        LogW(L"ReviewSales commit failed: %ls", wideError.c_str());
        return;
    }
    Log("ReviewSales committed: %d sale row(s)", rows);
    state.committed = true;
    state.rowsRecorded = rows;
    state.running = false;
}

bool CreateSlot(ReviewSalesDialog& state, RowControls& row)
{
    HFONT font = state.normalFont.get();
    for (int c : {kName, kVariant, kCondition, kStock})
        row[c] = CreateLabel(state.viewport, L"", font);
    const DWORD editStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_RIGHT;
    row[kQty] = CreateDialogControl(state.viewport, WS_EX_CLIENTEDGE, WC_EDITW, L"", editStyle | ES_NUMBER,
                                    ControlBox{}, IDC_RS_ROW_EDIT, font);
    row[kPrice] = CreateDialogControl(state.viewport, WS_EX_CLIENTEDGE, WC_EDITW, L"", editStyle, ControlBox{},
                                      IDC_RS_ROW_EDIT, font);
    for (HWND control : row) {
        if (!control)
            return false;
    }
    return true;
}

// Every control, or false as soon as one cannot be made: a window missing
// a row's edit would offer a row that cannot be sold, or worse, show one
// row's figures beside another's.
bool CreateReviewControls(HWND window, ReviewSalesDialog& state)
{
    const auto s = [&state](int value) { return state.Scale(value); };
    HFONT normal = state.normalFont.get();
    HFONT bold = state.boldFont.get();
    const DWORD label = WS_CHILD | WS_VISIBLE;

    std::vector<HWND> made;
    made.push_back(CreateDialogControl(
        window, 0, WC_STATICW, L"Confirm what sold. Adjust quantity and unit price, choose a channel, then Sell.",
        label, ControlBox{s(12), s(12), s(580), s(18)}, 0, normal));
    struct Header {
        const wchar_t* text;
        int x, width;
    };
    for (const Header& header : {Header{L"Card", 12, 190}, Header{L"Variant", 208, 84}, Header{L"Condition", 298, 84},
                                 Header{L"In stock", 388, 56}, Header{L"Qty", 450, 52}, Header{L"Unit price", 508, 84}})
        made.push_back(CreateDialogControl(window, 0, WC_STATICW, header.text, label,
                                           ControlBox{s(header.x), s(36), s(header.width), s(18)}, 0, bold));

    state.viewport = CreateWindowExW(WS_EX_CONTROLPARENT, kReviewViewportClass, L"",
                                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL, s(12), s(58), s(600),
                                     state.scroll.viewportHeight, window, nullptr,
                                     reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)), &state);
    made.push_back(state.viewport);
    const int y = s(58) + state.scroll.viewportHeight + s(14);
    made.push_back(CreateDialogControl(window, 0, WC_STATICW, L"Channel", label,
                                       ControlBox{s(12), y + s(5), s(56), s(18)}, 0, normal));
    state.channel = CreateDialogControl(window, 0, WC_COMBOBOXW, L"",
                                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                        ControlBox{s(72), y, s(150), s(240)}, IDC_RS_CHANNEL, normal);
    state.total =
        CreateDialogControl(window, 0, WC_STATICW, L"", label, ControlBox{s(242), y + s(3), s(350), s(20)}, 0, bold);
    made.push_back(CreateDialogControl(window, 0, WC_BUTTONW, L"Sell",
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                       ControlBox{s(410), y + s(40), s(96), s(28)}, IDC_RS_SELL, normal));
    made.push_back(CreateDialogControl(window, 0, WC_BUTTONW, L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                       ControlBox{s(516), y + s(40), s(96), s(28)}, IDC_RS_CANCEL, normal));
    made.push_back(state.channel);
    made.push_back(state.total);
    for (HWND control : made) {
        if (!control) {
            Log("ReviewSales: a control of the window could not be created (err=%lu)", GetLastError());
            return false;
        }
    }

    state.slots.resize(ReviewSlotCount(state.items.size()));
    for (RowControls& slot : state.slots) {
        if (!CreateSlot(state, slot)) {
            Log("ReviewSales: the controls of a row could not be created (err=%lu)", GetLastError());
            return false;
        }
    }
    BindSlots(state, 0);
    LayoutReviewRows(state);
    UpdateReviewScrollbar(state);
    for (const std::wstring& name : state.channelNames)
        SendMessageW(state.channel, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageW(state.channel, CB_SETCURSEL, static_cast<WPARAM>(state.defaultChannel), 0);
    UpdateReviewTotal(state);
    state.lastFocus = state.slots.front()[kQty];
    return true;
}

LRESULT CALLBACK ReviewViewportProc(HWND viewport, UINT message, WPARAM wParam, LPARAM lParam)
{
    ReviewSalesDialog* state = ModalState<ReviewSalesDialog>(viewport, message, lParam);
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_COMMAND:
        // The rows' notifications belong to the review window.
        SendMessageW(GetParent(viewport), WM_COMMAND, wParam, lParam);
        return 0;
    case WM_VSCROLL:
        if (state) {
            int thumb = state->scroll.position;
            SCROLLINFO info = {};
            info.cbSize = sizeof(info);
            info.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(viewport, SB_VERT, &info))
                thumb = info.nTrackPos;
            ScrollReviewTo(*state, ReviewScrollRequest(state->scroll, LOWORD(wParam), thumb));
            return 0;
        }
        break;
    case WM_MOUSEWHEEL:
        if (state) {
            ScrollReviewTo(*state, ReviewWheelTarget(state->scroll, GET_WHEEL_DELTA_WPARAM(wParam)));
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(viewport, message, wParam, lParam);
}

LRESULT CALLBACK ReviewSalesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ReviewSalesDialog* state = ModalState<ReviewSalesDialog>(window, message, lParam);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT answered = 0;
    if (AnswerModalFrame(window, message, wParam, lParam, state->running, state->lastFocus, answered))
        return answered;
    switch (message) {
    case WM_CREATE:
        return CreateReviewControls(window, *state) ? 0 : -1;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_RS_ROW_EDIT && code == EN_CHANGE && !state->binding)
            OnRowEdited(*state, reinterpret_cast<HWND>(lParam));
        else if (id == IDC_RS_ROW_EDIT && code == EN_SETFOCUS && !state->binding)
            OnRowFocused(*state, reinterpret_cast<HWND>(lParam));
        else if ((id == IDC_RS_SELL && code == BN_CLICKED) || id == IDOK)
            CommitReviewSales(window, *state);
        else if ((id == IDC_RS_CANCEL && code == BN_CLICKED) || id == IDCANCEL)
            state->running = false;
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

ReviewSalesResult ReviewSales(HWND owner, const std::vector<CheckedCard>& cards,
                              const std::vector<std::wstring>& channelNames, int defaultChannelIndex)
{
    ReviewSalesDialog state;
    state.databasePath = DatabasePath();
    state.channelNames = channelNames;
    const bool knownChannel =
        defaultChannelIndex >= 0 && static_cast<size_t>(defaultChannelIndex) < channelNames.size();
    state.defaultChannel = knownChannel ? defaultChannelIndex : 0;
    {
        // A whole catalogue may be ticked.
        const WaitCursor waiting;
        DbHandle db;
        std::string error;
        if (!OpenReadyDb(state.databasePath, db, error)) {
            Ui().messageBox(owner, L"Could not open the database.", kTitle, MB_ICONERROR);
            return {};
        }
        LoadReviewItems(db.get(), cards, state.items);
    }
    if (state.items.empty()) {
        Ui().messageBox(owner, L"None of the ticked cards have stock to sell.", kTitle, MB_ICONINFORMATION);
        return {};
    }
    if (state.items.size() > kMaxReviewRows) {
        wchar_t text[256];
        swprintf(text, 256,
                 L"The ticked cards have %d rows in stock, but at most %d can be reviewed at once.\n\n"
                 L"Untick some cards and try again.",
                 static_cast<int>(state.items.size()), static_cast<int>(kMaxReviewRows));
        Ui().messageBox(owner, text, kTitle, MB_ICONWARNING);
        return {};
    }

    HINSTANCE instance = GetModuleHandleW(nullptr);
    const bool registered = RegisterModalClass(instance, kReviewWindowClass, ReviewSalesDlgProc) &&
                            RegisterModalClass(instance, kReviewViewportClass, ReviewViewportProc);
    state.dpi = WindowDpi(owner);
    state.normalFont.reset(CreateUiFont(state.dpi, 9, FW_NORMAL));
    state.boldFont.reset(CreateUiFont(state.dpi, 9, FW_SEMIBOLD));

    const int visible = VisibleReviewRows(state.items.size());
    state.scroll.pitch = state.Scale(30);
    state.scroll.contentHeight = static_cast<int>(state.items.size()) * state.scroll.pitch;
    state.scroll.viewportHeight = visible * state.scroll.pitch;

    ModalWindowRun run;
    run.instance = instance;
    run.owner = owner;
    run.className = kReviewWindowClass;
    run.title = kTitle;
    run.clientWidth = state.Scale(12) + state.Scale(580) + state.Scale(20) + state.Scale(12);
    run.clientHeight = state.Scale(22) + state.scroll.viewportHeight + state.Scale(12) + state.Scale(24) +
                       state.Scale(12) + state.Scale(40) + state.Scale(30) + state.Scale(28) + state.Scale(14);
    run.state = &state;
    run.running = &state.running;
    if (!registered || !RunModalWindow(run)) {
        Ui().messageBox(owner,
                        L"The review window could not be opened: Windows could not create all of its fields.\n\n"
                        L"Nothing was recorded. Close some windows or tick fewer cards, then try again.",
                        kTitle, MB_ICONERROR);
        return {};
    }
    return {state.committed, state.rowsRecorded};
}
