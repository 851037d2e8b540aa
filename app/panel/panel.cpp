#include "app/panel/panel.h"

#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/grid/panel_calls.h"
#include "app/images/image_cache.h"
#include "app/panel/panel_model.h"
#include "app/shell/main_state.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/locations.h"
#include "core/log.h"
#include "core/schema.h"
#include "core/text.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <commctrl.h>

#include <iterator>
#include <vector>

namespace {

constexpr const wchar_t* kNotEditableText = L"Could not read this card\u2019s data \u2014 not editable";

struct PanelState {
    int32_t currentVariant = 0;
    // Set by the user's edits; the fields must also differ from the
    // baseline for the panel to hold unsaved changes.
    bool edited = false;
    // On while the program writes the fields itself: edits raise the same
    // notifications as typing does.
    bool loading = false;
    PanelBaseline baseline;
    // The stored price behind each price field, kept by a save while the
    // field still shows the loaded text.
    double storedPrices[kPanelConditions] = {};
};

PanelState& State()
{
    static PanelState state;
    return state;
}

// Restores the previous state, so a load inside another keeps the outer
// one's guard up.
class LoadingGuard {
public:
    LoadingGuard() : previous_(State().loading) { State().loading = true; }
    ~LoadingGuard() { State().loading = previous_; }
    LoadingGuard(const LoadingGuard&) = delete;
    LoadingGuard& operator=(const LoadingGuard&) = delete;

private:
    bool previous_;
};

const MainControls& Controls()
{
    return MainWindow().controls;
}

bool CardShown()
{
    const int32_t row = Grid().selectedRow;
    return row >= 0 && static_cast<size_t>(row) < Grid().rows.size();
}

CatalogueRow& ShownRow()
{
    return Grid().rows[static_cast<size_t>(Grid().selectedRow)];
}

PanelBaseline ReadPanelFields()
{
    const MainControls& c = Controls();
    PanelBaseline fields;
    for (int i = 0; i < kPanelConditions; ++i) {
        fields.qtyTexts[i] = WindowText(c.qty[i]);
        fields.priceTexts[i] = WindowText(c.price[i]);
    }
    fields.location = WindowText(c.location);
    fields.want = IsChecked(c.want);
    fields.trade = IsChecked(c.trade);
    return fields;
}

// Setting a shown edit's text repaints it at once under Wine, and most
// cards show the same zeros as the card before them.
void SetFieldText(HWND edit, const std::wstring& text)
{
    if (WindowText(edit) != text)
        SetWindowTextW(edit, text.c_str());
}

void ShowConditionFields(const ConditionFields& fields)
{
    const MainControls& c = Controls();
    for (int i = 0; i < kPanelConditions; ++i) {
        SetFieldText(c.qty[i], fields.qtyTexts[i]);
        SetFieldText(c.price[i], fields.priceTexts[i]);
        State().storedPrices[i] = fields.storedPrices[i];
    }
}

// Without redrawing on every item: Wine's list box recomputes its scroll
// bar at each one, which made refilling a few dozen locations cost
// milliseconds on every card.
void RefillCombo(HWND combo, const std::vector<std::wstring>& items)
{
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : items)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(combo, nullptr, TRUE);
}

// Item indexes are variant indexes, marked or not.
void FillVariantCombo(const std::vector<std::wstring>& choices, int32_t select)
{
    HWND combo = Controls().variant;
    RefillCombo(combo, choices);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(select), 0);
}

void RepaintCardImage()
{
    if (HWND image = Controls().cardImage)
        InvalidateRect(image, nullptr, TRUE);
}

void ShowNotEditable()
{
    EnableStockPanel(false);
    SetStatusText(kNotEditableText);
}

// False when the variant's own location could not be read; a failed list
// of known locations only empties the drop-down.
bool LoadLocationForCurrentVariant(const CatalogueRow& row)
{
    bool read = false;
    std::wstring location;
    std::vector<std::wstring> known;
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        LogW(L"LoadLocationForCurrentVariant: DB open failed: %ls", Utf8ToWide(error).c_str());
    } else {
        const Ledger ledger = CurrentLedger();
        const std::string variant = WideToUtf8(Variant::All[State().currentVariant]);
        read = LoadVariantLocation(db.get(), ledger, WideToUtf8(row.card_id), variant, location, error);
        if (!read) {
            LogW(L"LoadLocationForCurrentVariant: load failed: %ls", Utf8ToWide(error).c_str());
            location.clear();
        }
        if (!LoadDistinctLocations(db.get(), ledger, known, error)) {
            LogW(L"LoadLocationForCurrentVariant: distinct failed: %ls", Utf8ToWide(error).c_str());
            known.clear();
        }
        db.reset();
    }

    LoadingGuard guard;
    HWND combo = Controls().location;
    RefillCombo(combo, known);
    SetWindowTextW(combo, location.c_str());
    return read;
}

bool LoadCardFlags(const std::string& cardId, bool& want, bool& trade)
{
    want = false;
    trade = false;
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        LogW(L"LoadPanel: flags DB open failed: %ls", Utf8ToWide(error).c_str());
        return false;
    }
    if (!ReadCardFlags(db.get(), cardId, want, trade, error)) {
        LogW(L"LoadPanel: LoadCardFlags failed: %ls", Utf8ToWide(error).c_str());
        return false;
    }
    return true;
}

// No link, or no database, is a blank preview.
std::string LoadImageLink(const std::string& cardId)
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error))
        return std::string();
    return LoadCardImageUrl(db.get(), cardId);
}

void RestoreBaseline()
{
    const MainControls& c = Controls();
    const PanelBaseline& baseline = State().baseline;
    LoadingGuard guard;
    for (int i = 0; i < kPanelConditions; ++i) {
        SetWindowTextW(c.qty[i], baseline.qtyTexts[i].c_str());
        SetWindowTextW(c.price[i], baseline.priceTexts[i].c_str());
    }
    SetWindowTextW(c.location, baseline.location.c_str());
    SetChecked(c.want, baseline.want);
    SetChecked(c.trade, baseline.trade);
    State().edited = false;
}

void RefreshGridAfterSave(bool locationRead, const std::wstring& oldLocation, const std::wstring& newLocation)
{
    switch (GridRefreshAfterSave(locationRead, oldLocation, newLocation, MainWindow().flags.inStockOnly,
                                 IsShowFilterActive())) {
    case GridRefresh::RefillLocationsAndRefilter:
        FillLocationFilter(true);
        ApplyFilters();
        break;
    case GridRefresh::Refilter:
        ApplyFilters();
        break;
    case GridRefresh::Repaint: {
        // Only the saved card's row shows anything new, and repainting the
        // whole list costs more than the save itself.
        const int32_t item = ViewIndexOfRow(Grid(), Grid().selectedRow);
        if (item >= 0)
            ListView_RedrawItems(Controls().grid, item, item);
        break;
    }
    }
}

void FocusFaultyField(const PanelInputError& error)
{
    const MainControls& c = Controls();
    SetFocus(error.price ? c.price[error.condition] : c.qty[error.condition]);
}

} // namespace

void EnableStockPanel(bool enable)
{
    const MainControls& c = Controls();
    const BOOL on = enable ? TRUE : FALSE;
    EnableWindow(c.variant, on);
    for (int i = 0; i < kPanelConditions; ++i) {
        EnableWindow(c.qty[i], on);
        EnableWindow(c.price[i], on);
        EnableWindow(c.sell[i], on);
    }
    for (HWND control : {c.save, c.ebayComps, c.ebayCurrent, c.ebayHolo, c.location, c.want, c.trade})
        EnableWindow(control, on);
}

void SnapshotPanelBaseline()
{
    State().baseline = ReadPanelFields();
    State().edited = false;
}

void ClearPanel()
{
    const MainControls& c = Controls();
    LoadingGuard guard;
    Grid().selectedRow = -1;
    State().currentVariant = 0;
    SetWindowTextW(c.cardTitle, L"Select a card");
    SetWindowTextW(c.cardSubtitle, L"Choose a card in the list to edit its stock.");
    FillVariantCombo(VariantChoices({}), 0);
    ShowConditionFields(EmptyConditionFields());
    SetWindowTextW(c.location, L"");
    SetChecked(c.want, false);
    SetChecked(c.trade, false);
    RequestCardImage(std::string(), std::string());
    RepaintCardImage();
    EnableStockPanel(false);
    SnapshotPanelBaseline();
}

void LoadPanel(int32_t row)
{
    if (row < 0 || static_cast<size_t>(row) >= Grid().rows.size()) {
        ClearPanel();
        return;
    }
    const MainControls& c = Controls();
    Grid().selectedRow = row;
    State().currentVariant = 0;
    const CatalogueRow& card = ShownRow();
    const std::wstring cardIdWide = card.card_id;
    const std::string cardId = WideToUtf8(cardIdWide);
    SetWindowTextW(c.cardTitle, card.name.c_str());
    SetWindowTextW(c.cardSubtitle, CardSubtitle(card).c_str());

    LoadVariantChoices(cardId, State().currentVariant);
    const bool locationRead = LoadLocationForCurrentVariant(card);
    bool want = false;
    bool trade = false;
    const bool flagsRead = LoadCardFlags(cardId, want, trade);
    {
        LoadingGuard guard;
        SetChecked(c.want, want);
        SetChecked(c.trade, trade);
    }
    const bool rowsRead = LoadConditionRows(cardIdWide, Variant::All[State().currentVariant]);

    RequestCardImage(cardId, LoadImageLink(cardId));
    RepaintCardImage();

    if (rowsRead && locationRead && flagsRead)
        EnableStockPanel(true);
    else
        ShowNotEditable();
}

void LoadVariantChoices(const std::string& cardId, int32_t select)
{
    // A failed read only loses the marks: whatever was read before it
    // still counts.
    std::vector<std::wstring> held;
    DbHandle db;
    std::string error;
    if (OpenReadyDb(DatabasePath(), db, error))
        LoadHeldVariants(db.get(), cardId, held, error, CurrentLedger());
    db.reset();
    FillVariantCombo(VariantChoices(held), select);
}

bool LoadConditionRows(const std::wstring& cardId, const std::wstring& variant)
{
    // Zeros unless the rows are read; the fields are written once either way.
    ConditionFields fields = EmptyConditionFields();
    bool read = false;
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        Log("LoadConditionRows OpenReadyDb: %s", error.c_str());
    } else {
        std::vector<ConditionRow> rows;
        read = LoadCardInventory(db.get(), WideToUtf8(cardId), rows, error, variant, CurrentLedger());
        db.reset();
        if (read)
            fields = ConditionFieldsFromRows(rows);
        else
            Log("LoadCardInventory failed: %s", error.c_str());
    }
    LoadingGuard guard;
    ShowConditionFields(fields);
    SnapshotPanelBaseline();
    return read;
}

void OnVariantChanged()
{
    if (!CardShown())
        return;
    HWND combo = Controls().variant;
    const int32_t chosen = VariantIndexOrStandard(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    PanelState& state = State();
    if (chosen == state.currentVariant)
        return;
    const std::wstring cardId = ShownRow().card_id;
    if (!ConfirmUnsavedChanges()) {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(state.currentVariant), 0);
        return;
    }
    // A save may have filtered the grid again; the card is found by its id.
    const int32_t row = FindCatalogueRow(cardId);
    if (row < 0) {
        ClearPanel();
        return;
    }
    Grid().selectedRow = row;
    state.currentVariant = chosen;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    const bool locationRead = LoadLocationForCurrentVariant(ShownRow());
    const bool rowsRead = LoadConditionRows(cardId, Variant::All[chosen]);
    if (!locationRead || !rowsRead)
        ShowNotEditable();
}

int32_t CurrentPanelVariant()
{
    return State().currentVariant;
}

void NotePanelEdited()
{
    if (!State().loading)
        State().edited = true;
}

bool ReadPriceField(HWND edit, double* out)
{
    return ParsePrice(WindowText(edit), out);
}

bool SavePanel()
{
    if (!CardShown())
        return false;
    PanelState& state = State();
    PanelSave save;
    PanelInputError invalid;
    if (!PlanPanelSave(ReadPanelFields(), state.baseline, state.storedPrices, save, invalid)) {
        SetStatusText(invalid.message);
        FocusFaultyField(invalid);
        return false;
    }

    const std::wstring cardIdWide = ShownRow().card_id;
    const std::string cardId = WideToUtf8(cardIdWide);
    const std::wstring variant = Variant::All[state.currentVariant];
    const Ledger ledger = CurrentLedger();
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        SetStatusText(L"Database open failed");
        Log("SavePanel OpenReadyDb: %s", error.c_str());
        return false;
    }
    const PanelWriteResult written = WritePanelSave(db.get(), cardId, variant, ledger, save, error);
    if (written != PanelWriteResult::Committed) {
        db.reset();
        SetStatusText(L"Save failed");
        LogW(written == PanelWriteResult::BeginFailed ? L"Save BEGIN failed: %ls" : L"Save failed: %ls",
             Utf8ToWide(error).c_str());
        return false;
    }
    bool heldRead = false;
    const int32_t held = SumCardQty(db.get(), cardId, ledger, heldRead);
    std::wstring location;
    const bool locationRead = LoadCardLocation(db.get(), ledger, cardId, location, error);
    db.reset();

    CatalogueRow& row = ShownRow();
    const std::wstring oldLocation = row.location;
    if (heldRead)
        row.held = held;
    if (locationRead)
        row.location = location;
    row.want = save.want;
    row.tradable = save.trade;
    LogW(L"Saved %ls for %ls [%ls]: card held=%d", ledger == Ledger::Collection ? L"collection stock" : L"sale stock",
         cardIdWide.c_str(), variant.c_str(), heldRead ? held : 0);

    LoadVariantChoices(cardId, state.currentVariant);
    RefreshGridAfterSave(locationRead, oldLocation, location);
    for (int i = 0; i < kPanelConditions; ++i)
        state.storedPrices[i] = save.rows[i].price;
    SnapshotPanelBaseline();
    SetStatusText(heldRead && locationRead ? L"Saved"
                                           : L"Saved \u2014 but the display couldn\u2019t refresh; reopen the app");
    return true;
}

bool PanelHasUnsavedChanges()
{
    return CardShown() && State().edited && DiffersFromBaseline(ReadPanelFields(), State().baseline);
}

bool ConfirmUnsavedChanges()
{
    if (!PanelHasUnsavedChanges())
        return true;
    const int answer = Ui().messageBox(MainWindow().window,
                                       L"You have unsaved changes to this card.\n\nSave them before continuing?",
                                       L"Unsaved changes", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES)
        return SavePanel();
    if (answer != IDNO)
        return false;
    RestoreBaseline();
    return true;
}

void InstallStockPanel()
{
    Panel() = PanelCalls{ConfirmUnsavedChanges, LoadPanel, ClearPanel};
}
