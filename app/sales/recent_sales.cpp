#include "app/sales/recent_sales.h"

#include "app/sales/amend_rules.h"
#include "app/sales/amend_sale.h"
#include "ui/dialog_controls.h"
#include "app/sales/recent_rows.h"
#include "core/log.h"
#include "core/schema.h"
#include "core/text.h"
#include "ui/controls.h"
#include "ui/modal_window.h"
#include "ui/ui_calls.h"

#include <commctrl.h>

#include <vector>

namespace {

constexpr const wchar_t* kTitle = L"Recent sales";

struct RecentSalesDialog {
    HINSTANCE instance = nullptr;
    std::wstring databasePath;
    std::string cardFilter; // UTF-8; empty for all cards
    RecentSalesList sales;
    HWND list = nullptr;
    HWND reverseSelected = nullptr;
    HWND reverseBatch = nullptr;
    HWND amend = nullptr;
    HWND close = nullptr;
    HWND status = nullptr;
    FontHandle font;
    int dpi = 96;
    bool running = false;
    int32_t reversed = 0;
    int32_t amended = 0;
    HWND lastFocus = nullptr;

    int Scale(int value) const { return MulDiv(value, dpi, 96); }
};

void ReloadRecentSales(RecentSalesDialog& state)
{
    state.sales = LoadRecentSalesList(state.databasePath, state.cardFilter);
}

void FillRecentSalesList(RecentSalesDialog& state)
{
    // One repaint for the whole list rather than one per row.
    SendMessageW(state.list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(state.list, LVM_DELETEALLITEMS, 0, 0);
    const std::vector<SaleRecord>& records = state.sales.records;
    SendMessageW(state.list, LVM_SETITEMCOUNT, records.size(), 0);
    for (size_t i = 0; i < records.size(); ++i) {
        std::array<std::wstring, kRecentColumns> cells = RecentSaleCells(records[i]);
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = cells[0].data();
        item.lParam = static_cast<LPARAM>(i);
        const auto index =
            static_cast<int>(SendMessageW(state.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (index < 0)
            continue;
        for (int column = 1; column < kRecentColumns; ++column) {
            LVITEMW cell = {};
            cell.iSubItem = column;
            cell.pszText = cells[column].data();
            SendMessageW(state.list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&cell));
        }
    }
    SendMessageW(state.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(state.list, nullptr, TRUE);

    SetWindowTextW(state.status, RecentSalesStatus(state.sales, !state.cardFilter.empty()).c_str());
    for (HWND button : {state.reverseSelected, state.reverseBatch, state.amend})
        EnableWindow(button, state.sales.loaded);
}

// Changes go to the ledger first; the list is then read back from it, never
// edited in place, so it always shows what is stored.
void ShowLedgerAgain(RecentSalesDialog& state)
{
    ReloadRecentSales(state);
    FillRecentSalesList(state);
}

int ItemCount(HWND list)
{
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

int NextItem(HWND list, int after, UINT flags)
{
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(flags, 0)));
}

std::vector<int> TickedItems(HWND list)
{
    std::vector<int> ticked;
    const int count = ItemCount(list);
    for (int item = 0; item < count; ++item) {
        const auto state = static_cast<unsigned>(SendMessageW(list, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK));
        if (IsTickedItemState(state))
            ticked.push_back(item);
    }
    return ticked;
}

std::vector<int> SelectedItems(HWND list)
{
    std::vector<int> selected;
    for (int item = NextItem(list, -1, LVNI_SELECTED); item >= 0; item = NextItem(list, item, LVNI_SELECTED))
        selected.push_back(item);
    return selected;
}

bool ItemParam(HWND list, int item, intptr_t& param)
{
    LVITEMW read = {};
    read.mask = LVIF_PARAM;
    read.iItem = item;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read)))
        return false;
    param = read.lParam;
    return true;
}

std::vector<intptr_t> ItemParams(HWND list, const std::vector<int>& items)
{
    std::vector<intptr_t> params;
    for (int item : items) {
        intptr_t param = -1;
        if (ItemParam(list, item, param))
            params.push_back(param);
    }
    return params;
}

int GetTargetSaleRow(const RecentSalesDialog& state)
{
    const std::vector<int> ticked = TickedItems(state.list);
    return ChooseSaleTarget(ticked, NextItem(state.list, -1, LVNI_FOCUSED), NextItem(state.list, -1, LVNI_SELECTED));
}

// The record of a target row; null when its item names none.
const SaleRecord* TargetRecord(const RecentSalesDialog& state, int item)
{
    intptr_t param = -1;
    return ItemParam(state.list, item, param) ? RecordOfItem(state.sales.records, param) : nullptr;
}

// Runs one reversal on a connection of its own and counts what it undid;
// a failure is told in the window's words and gives -1.
template <typename Reverse>
int32_t RunReversal(HWND window, RecentSalesDialog& state, const wchar_t* failureLead, Reverse reverse)
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(state.databasePath, db, error)) {
        Ui().messageBox(window, L"Could not open the database.", kTitle, MB_ICONERROR);
        return -1;
    }
    int32_t reversed = 0;
    const bool done = reverse(db.get(), error, reversed);
    db.reset();
    if (!done) {
        Ui().messageBox(window, (failureLead + Utf8ToWide(error)).c_str(), kTitle, MB_ICONERROR);
        return -1;
    }
    state.reversed += reversed;
    return reversed;
}

void ReverseSelectedSales(HWND window, RecentSalesDialog& state)
{
    const std::vector<int> ticked = TickedItems(state.list);
    const std::vector<int64_t> targets =
        SalesToReverse(state.sales.records, ItemParams(state.list, ticked),
                       ticked.empty() ? ItemParams(state.list, SelectedItems(state.list)) : std::vector<intptr_t>());
    if (targets.empty()) {
        Ui().messageBox(window, L"Tick the sales you want to reverse (or select a row).", kTitle, MB_ICONINFORMATION);
        return;
    }
    if (Ui().messageBox(window, ReverseSalesQuestion(targets.size()).c_str(), L"Reverse sales",
                        MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    const auto reverse = [&](sqlite3* db, std::string& error, int32_t& n) { return UndoSales(db, targets, error, &n); };
    const int32_t reversed = RunReversal(window, state, L"Could not reverse the sales:\n\n", reverse);
    if (reversed < 0)
        return;
    Log("RecentSales: reversed %d selected sale(s)", reversed);
    ShowLedgerAgain(state);
}

void ReverseWholeBatch(HWND window, RecentSalesDialog& state)
{
    const int target = GetTargetSaleRow(state);
    if (target == kSeveralTicked) {
        Ui().messageBox(window,
                        L"Tick just one row (or select a row) for this \u2014 it reverses that sale's whole batch. "
                        L"To reverse several ticked sales, use Reverse selected.",
                        L"Reverse batch", MB_ICONINFORMATION);
        return;
    }
    if (target < 0) {
        Ui().messageBox(window,
                        L"Tick or select a sale first \u2014 its whole batch (everything sold at the same moment) "
                        L"will be reversed.",
                        kTitle, MB_ICONINFORMATION);
        return;
    }
    const SaleRecord* record = TargetRecord(state, target);
    if (!record)
        return;
    // The list is read again after a reversal; what is logged must not
    // point into it.
    const std::wstring soldAt = record->sold_at;
    const int64_t batch = record->batch_id;
    if (Ui().messageBox(window, ReverseBatchQuestion(*record).c_str(), L"Reverse batch", MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;

    const auto reverse = [&](sqlite3* db, std::string& error, int32_t& n) {
        return ReverseSaleBatch(db, batch, error, &n);
    };
    const int32_t reversed = RunReversal(window, state, L"Could not reverse the batch:\n\n", reverse);
    if (reversed < 0)
        return;
    LogW(L"RecentSales: reversed batch of %d at %ls", reversed, soldAt.c_str());
    ShowLedgerAgain(state);
}

void AmendSelectedSale(HWND window, RecentSalesDialog& state)
{
    const int target = GetTargetSaleRow(state);
    if (target == kSeveralTicked) {
        Ui().messageBox(window, L"Tick just one row (or select a row) to amend a single sale.", L"Amend sale",
                        MB_ICONINFORMATION);
        return;
    }
    if (target < 0) {
        Ui().messageBox(window, L"Tick or select the sale you want to amend.", L"Amend sale", MB_ICONINFORMATION);
        return;
    }
    const SaleRecord* record = TargetRecord(state, target);
    if (!record)
        return;
    const SaleRecord sale = *record;
    AmendValues values{sale.qty, sale.price, sale.channel};
    if (!ShowAmendSaleDialog(state.instance, window, state.dpi, state.font.get(), sale, values.qty, values.price,
                             values.channel))
        return;
    if (!AmendChangesSale(sale, values))
        return;

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(state.databasePath, db, error)) {
        Ui().messageBox(window, L"Could not open the database.", L"Amend sale", MB_ICONERROR);
        return;
    }
    const bool done = AmendSale(db.get(), sale.sale_id, values.qty, values.price, values.channel, error);
    db.reset();
    if (!done) {
        Ui().messageBox(window, (L"Could not amend the sale:\n\n" + Utf8ToWide(error)).c_str(), L"Amend sale",
                        MB_ICONERROR);
        return;
    }
    state.amended += 1;
    Log("RecentSales: amended sale_id=%lld", static_cast<long long>(sale.sale_id));
    ShowLedgerAgain(state);
}

bool CreateRecentControls(HWND window, RecentSalesDialog& state)
{
    const auto s = [&state](int value) { return state.Scale(value); };
    HFONT font = state.font.get();
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

    state.status = CreateDialogControl(window, 0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE,
                                       ControlBox{s(12), s(12), s(650), s(18)}, 0, font);
    state.list = CreateDialogControl(window, WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                                     ControlBox{s(12), s(36), s(650), s(300)}, IDC_RC_LIST, font);
    state.reverseSelected =
        CreateDialogControl(window, 0, WC_BUTTONW, L"Reverse selected", button,
                            ControlBox{s(12), s(348), s(140), s(28)}, IDC_RC_REVERSE_SELECTED, font);
    state.reverseBatch = CreateDialogControl(window, 0, WC_BUTTONW, L"Reverse whole batch", button,
                                             ControlBox{s(160), s(348), s(160), s(28)}, IDC_RC_REVERSE_BATCH, font);
    state.amend = CreateDialogControl(window, 0, WC_BUTTONW, L"Amend\u2026", button,
                                      ControlBox{s(328), s(348), s(96), s(28)}, IDC_RC_AMEND, font);
    state.close = CreateDialogControl(window, 0, WC_BUTTONW, L"Close", button | BS_DEFPUSHBUTTON,
                                      ControlBox{s(566), s(348), s(96), s(28)}, IDC_RC_CLOSE, font);
    for (HWND control :
         {state.status, state.list, state.reverseSelected, state.reverseBatch, state.amend, state.close}) {
        if (!control)
            return false;
    }

    const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageW(state.list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    struct Column {
        const wchar_t* header;
        int width;
    };
    const Column columns[kRecentColumns] = {{L"When", 128}, {L"Card", 150},      {L"Variant", 92}, {L"Condition", 84},
                                            {L"Qty", 44},   {L"Unit price", 74}, {L"Channel", 78}};
    for (int c = 0; c < kRecentColumns; ++c) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(columns[c].header);
        column.cx = s(columns[c].width);
        column.iSubItem = c;
        SendMessageW(state.list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    ShowLedgerAgain(state);
    state.lastFocus = state.list;
    return true;
}

LRESULT CALLBACK RecentSalesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    RecentSalesDialog* state = ModalState<RecentSalesDialog>(window, message, lParam);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT answered = 0;
    if (AnswerModalFrame(window, message, wParam, lParam, state->running, state->lastFocus, answered))
        return answered;
    switch (message) {
    case WM_CREATE:
        return CreateRecentControls(window, *state) ? 0 : -1;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const bool clicked = HIWORD(wParam) == BN_CLICKED;
        if (id == IDC_RC_REVERSE_SELECTED && clicked)
            ReverseSelectedSales(window, *state);
        else if (id == IDC_RC_REVERSE_BATCH && clicked)
            ReverseWholeBatch(window, *state);
        else if (id == IDC_RC_AMEND && clicked)
            AmendSelectedSale(window, *state);
        else if (id == IDC_RC_CLOSE || id == IDOK || id == IDCANCEL)
            state->running = false;
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int32_t RecentSales(HINSTANCE instance, HWND owner, const std::string& cardFilter)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    RecentSalesDialog state;
    state.instance = instance;
    state.databasePath = DatabasePath();
    state.cardFilter = cardFilter;
    if (!RegisterModalClass(instance, kRecentSalesClass, RecentSalesDlgProc))
        return 0;
    state.dpi = WindowDpi(owner);
    state.font.reset(CreateUiFont(state.dpi, 9, FW_NORMAL));

    ModalWindowRun run;
    run.instance = instance;
    run.owner = owner;
    run.className = kRecentSalesClass;
    run.title = cardFilter.empty() ? kTitle : L"Recent sales \u2014 this card";
    run.clientWidth = state.Scale(12) + state.Scale(650) + state.Scale(12);
    run.clientHeight =
        state.Scale(12) + state.Scale(24) + state.Scale(300) + state.Scale(12) + state.Scale(28) + state.Scale(12);
    run.state = &state;
    run.running = &state.running;
    if (!RunModalWindow(run))
        return 0;
    return state.reversed + state.amended;
}
