#include "app/sales/amend_sale.h"

#include "app/sales/amend_rules.h"
#include "ui/dialog_controls.h"
#include "app/sales/recent_rows.h"
#include "ui/controls.h"
#include "ui/modal_window.h"
#include "ui/ui_calls.h"

#include <commctrl.h>

#include <vector>

namespace {

constexpr const wchar_t* kTitle = L"Amend sale";

struct AmendSaleDialog {
    const SaleRecord* sale = nullptr;
    HFONT font = nullptr; // the owner's: never deleted here
    int dpi = 96;
    HWND qty = nullptr;
    HWND price = nullptr;
    HWND channel = nullptr;
    bool running = false;
    bool saved = false;
    AmendValues values;
    HWND lastFocus = nullptr;

    int Scale(int value) const { return MulDiv(value, dpi, 96); }
};

void FocusField(HWND edit)
{
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void SaveAmendment(HWND window, AmendSaleDialog& state)
{
    AmendValues values;
    switch (ReadAmendFields(*state.sale, WindowText(state.qty), WindowText(state.price), values)) {
    case AmendCheck::BadQuantity:
        Ui().messageBox(window, L"Quantity must be at least 1. To remove the sale entirely, reverse it instead.",
                        kTitle, MB_ICONWARNING);
        FocusField(state.qty);
        return;
    case AmendCheck::BadPrice:
        Ui().messageBox(window, L"Enter a valid unit price (0 or more).", kTitle, MB_ICONWARNING);
        FocusField(state.price);
        return;
    case AmendCheck::Ready:
        break;
    }
    values.channel = ComboItemText(state.channel, static_cast<int>(SendMessageW(state.channel, CB_GETCURSEL, 0, 0)));
    state.values = values;
    state.saved = true;
    state.running = false;
}

bool CreateAmendControls(HWND window, AmendSaleDialog& state)
{
    const auto s = [&state](int value) { return state.Scale(value); };
    const SaleRecord& sale = *state.sale;
    HFONT font = state.font;
    const DWORD label = WS_CHILD | WS_VISIBLE;
    const DWORD edit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_RIGHT;
    wchar_t qty[16];
    swprintf(qty, 16, L"%d", sale.qty);

    std::vector<HWND> made;
    made.push_back(CreateDialogControl(window, 0, WC_STATICW, SaleCardText(sale).c_str(), label,
                                       ControlBox{s(12), s(12), s(300), s(18)}, 0, font));
    made.push_back(CreateDialogControl(window, 0, WC_STATICW, AmendDetailLine(sale).c_str(), label,
                                       ControlBox{s(12), s(32), s(300), s(18)}, 0, font));
    made.push_back(CreateDialogControl(window, 0, WC_STATICW, L"Quantity", label,
                                       ControlBox{s(12), s(62), s(84), s(18)}, 0, font));
    state.qty = CreateDialogControl(window, WS_EX_CLIENTEDGE, WC_EDITW, qty, edit | ES_NUMBER,
                                    ControlBox{s(102), s(58), s(120), s(26)}, IDC_AMEND_QTY, font);
    made.push_back(CreateDialogControl(window, 0, WC_STATICW, L"Unit price", label,
                                       ControlBox{s(12), s(96), s(84), s(18)}, 0, font));
    state.price = CreateDialogControl(window, WS_EX_CLIENTEDGE, WC_EDITW, AmendPriceText(sale.price).c_str(), edit,
                                      ControlBox{s(102), s(92), s(120), s(26)}, IDC_AMEND_PRICE, font);
    made.push_back(CreateDialogControl(window, 0, WC_STATICW, L"Channel", label,
                                       ControlBox{s(12), s(130), s(84), s(18)}, 0, font));
    state.channel = CreateDialogControl(window, 0, WC_COMBOBOXW, L"",
                                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                        ControlBox{s(102), s(126), s(120), s(200)}, IDC_AMEND_CHANNEL, font);
    made.push_back(CreateDialogControl(window, 0, WC_BUTTONW, L"Save",
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                       ControlBox{s(124), s(166), s(90), s(28)}, IDC_AMEND_SAVE, font));
    made.push_back(CreateDialogControl(window, 0, WC_BUTTONW, L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                       ControlBox{s(222), s(166), s(90), s(28)}, IDC_AMEND_CANCEL, font));
    made.insert(made.end(), {state.qty, state.price, state.channel});
    for (HWND control : made) {
        if (!control)
            return false;
    }

    int selected = 0;
    for (const std::wstring& choice : AmendChannelChoices(sale.channel, selected))
        SendMessageW(state.channel, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
    SendMessageW(state.channel, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    state.lastFocus = state.qty;
    return true;
}

LRESULT CALLBACK AmendSaleDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    AmendSaleDialog* state = ModalState<AmendSaleDialog>(window, message, lParam);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT answered = 0;
    if (AnswerModalFrame(window, message, wParam, lParam, state->running, state->lastFocus, answered))
        return answered;
    switch (message) {
    case WM_CREATE:
        return CreateAmendControls(window, *state) ? 0 : -1;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_AMEND_SAVE || id == IDOK)
            SaveAmendment(window, *state);
        else if ((id == IDC_AMEND_CANCEL && code == BN_CLICKED) || id == IDCANCEL)
            state->running = false;
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

bool ShowAmendSaleDialog(HINSTANCE instance, HWND owner, int dpi, HFONT font, const SaleRecord& sale, int32_t& quantity,
                         double& price, std::wstring& channel)
{
    if (!RegisterModalClass(instance, kAmendWindowClass, AmendSaleDlgProc))
        return false;
    AmendSaleDialog state;
    state.sale = &sale;
    state.font = font;
    state.dpi = dpi;

    ModalWindowRun run;
    run.instance = instance;
    run.owner = owner;
    run.className = kAmendWindowClass;
    run.title = kTitle;
    run.clientWidth = state.Scale(300) + 2 * state.Scale(12);
    run.clientHeight = state.Scale(12) + state.Scale(18) + state.Scale(2) + state.Scale(18) + state.Scale(8) +
                       3 * (state.Scale(26) + state.Scale(8)) + state.Scale(6) + state.Scale(28) + state.Scale(12);
    run.state = &state;
    run.running = &state.running;
    if (!RunModalWindow(run) || !state.saved)
        return false;
    quantity = state.values.qty;
    price = state.values.price;
    channel = state.values.channel;
    return true;
}
