#include "app/main/controls.h"

#include "app/main/layout.h"
#include "app/shell/ids.h"
#include "core/sales.h"
#include "core/stock.h"
#include "ui/controls.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <iterator>


namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kOwnerButton = kChild | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kDropList = kChild | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;

const wchar_t* const kShowChoices[] = {L"All", L"Owned", L"Want", L"Trade"};

struct GridColumnLook {
    const wchar_t* header;
    int width;
    int format;
};
const GridColumnLook kGridColumnLooks[kGridColumns] = {
    {L"Card", 240, LVCFMT_LEFT},   {L"Set", 150, LVCFMT_LEFT},  {L"No.", 60, LVCFMT_LEFT},
    {L"Rarity", 140, LVCFMT_LEFT}, {L"Held", 60, LVCFMT_RIGHT}, {L"Location", 130, LVCFMT_LEFT},
};

class ControlMaker {
public:
    explicit ControlMaker(const MainWindowState& state) : state_(state) {}

    HWND Make(const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0,
              HFONT font = nullptr) const
    {
        HWND control = CreateWindowExW(exStyle, className, text, style, 0, 0, 0, 0, state_.window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), state_.instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : state_.mainFont), TRUE);
        return control;
    }

    HWND Label(const wchar_t* text) const { return CreateLabel(state_.window, text, state_.mainFont); }

    HWND Combo(int id, DWORD style, const wchar_t* const* items, int count, int selected) const
    {
        HWND combo = Make(WC_COMBOBOXW, L"", style, id);
        for (int i = 0; i < count; ++i)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
        if (selected >= 0)
            SendMessageW(combo, CB_SETCURSEL, selected, 0);
        return combo;
    }

private:
    const MainWindowState& state_;
};

void AddGridColumns(HWND grid, int dpi)
{
    for (int i = 0; i < kGridColumns; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kGridColumnLooks[i].format;
        column.cx = MulDiv(kGridColumnLooks[i].width, dpi, 96);
        column.pszText = const_cast<wchar_t*>(kGridColumnLooks[i].header);
        column.iSubItem = i;
        SendMessageW(grid, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    // The first column's header carries the check-all box, unticked.
    HWND header = reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0));
    if (!header)
        return;
    SetWindowLongPtrW(header, GWL_STYLE, GetWindowLongPtrW(header, GWL_STYLE) | HDS_CHECKBOXES);
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
        item.fmt = (item.fmt | HDF_CHECKBOX) & ~HDF_CHECKED;
        SendMessageW(header, HDM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

} // namespace

void CreateMainControls(MainWindowState& state)
{
    const ControlMaker make(state);
    MainControls& c = state.controls;

    c.modeToggle = make.Make(WC_BUTTONW, L"", kOwnerButton, IDC_MODE_TOGGLE);
    c.setFilter = make.Combo(IDC_SET_FILTER, kDropList, nullptr, 0, -1);
    c.search = make.Make(WC_EDITW, L"", kChild | WS_TABSTOP | ES_AUTOHSCROLL, IDC_SEARCH, WS_EX_CLIENTEDGE);
    SendMessageW(c.search, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Search name, set, number, id\u2026"));
    c.rarityFilter = make.Combo(IDC_RARITY_FILTER, kDropList, nullptr, 0, -1);
    c.locationFilterLabel = make.Label(L"Location");
    c.locationFilter = make.Combo(IDC_LOCATION_FILTER, kDropList, nullptr, 0, -1);
    c.clearFilters = make.Make(WC_BUTTONW, L"Clear filters", kOwnerButton, IDC_CLEAR_FILTERS);

    c.grid = make.Make(WC_LISTVIEWW, L"",
                       kChild | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                       IDC_GRID, WS_EX_CLIENTEDGE);
    SendMessageW(c.grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    // An owner-data list keeps no item state; with this it asks the program
    // for each row's check box image along with its text.
    SendMessageW(c.grid, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    AddGridColumns(c.grid, state.dpi);
    c.status = make.Make(STATUSCLASSNAMEW, L"", kChild | SBARS_SIZEGRIP, IDC_STATUS);

    c.cardTitle = make.Make(WC_STATICW, L"Select a card", kChild, 0, 0, state.titleFont);
    c.cardSubtitle = make.Label(L"Choose a card in the list to edit its stock.");
    c.variantLabel = make.Label(L"Variant");
    c.variant = make.Combo(IDC_VARIANT, kDropList, Variant::All, static_cast<int>(std::size(Variant::All)), 0);
    c.conditionHeader = make.Label(L"Condition");
    c.qtyHeader = make.Label(L"Qty");
    c.priceHeader = make.Label(L"Price");
    c.sellHeader = make.Label(L"Sell");
    for (int i = 0; i < kConditionRows; ++i) {
        c.conditionLabel[i] = make.Label(Condition::All[i]);
        c.qty[i] = make.Make(WC_EDITW, L"0", kChild | WS_TABSTOP | ES_NUMBER | ES_RIGHT, IDC_QTY_MINT + i,
                             WS_EX_CLIENTEDGE);
        c.price[i] = make.Make(WC_EDITW, L"", kChild | WS_TABSTOP | ES_RIGHT, IDC_PRICE_MINT + i, WS_EX_CLIENTEDGE);
        c.sell[i] = make.Make(WC_BUTTONW, L"\u22121", kOwnerButton, IDC_SELL_MINT + i);
    }
    c.save = make.Make(WC_BUTTONW, L"Save", kOwnerButton, IDC_SAVE);
    c.ebayComps = make.Make(WC_BUTTONW, L"eBay sold comps", kOwnerButton, IDC_EBAY_COMPS);
    c.ebayCurrent = make.Make(WC_BUTTONW, L"Current listings (not sold)", kCheckBox, IDC_EBAY_CURRENT);
    c.ebayHolo = make.Make(WC_BUTTONW, L"Holo", kCheckBox, IDC_EBAY_HOLO);
    c.want = make.Make(WC_BUTTONW, L"Want", kCheckBox, IDC_WANT);
    c.trade = make.Make(WC_BUTTONW, L"Trade / swap", kCheckBox, IDC_TRADE);
    c.locationLabel = make.Label(L"Location");
    c.location = make.Combo(IDC_LOCATION, kChild | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                            nullptr, 0, -1);
    SendMessageW(c.location, CB_LIMITTEXT, 255, 0);
    // The preview paints itself and needs no font.
    c.cardImage = CreateWindowExW(WS_EX_CLIENTEDGE, WC_STATICW, L"", kChild | SS_OWNERDRAW, 0, 0, 0, 0, state.window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CARD_IMAGE)), state.instance,
                                  nullptr);
    c.channelLabel = make.Label(L"Channel");
    c.channel = make.Combo(IDC_CHANNEL, kDropList, SaleChannel::All, static_cast<int>(std::size(SaleChannel::All)), 0);
    c.showLabel = make.Label(L"Show");
    c.showFilter = make.Combo(IDC_SHOW_FILTER, kDropList, kShowChoices, 4, 0);
}

void ApplyControlThemes(const MainControls& c)
{
    for (HWND control : {c.grid, c.ebayCurrent, c.ebayHolo, c.want, c.trade}) {
        if (control)
            SetWindowTheme(control, L"Explorer", nullptr);
    }
    for (HWND combo : {c.setFilter, c.rarityFilter, c.locationFilter, c.variant, c.channel, c.showFilter, c.location}) {
        if (combo)
            SetWindowTheme(combo, L"CFD", nullptr);
    }
}
