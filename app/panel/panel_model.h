// The stock panel's decisions, without a window: what the loaded stock
// shows as field texts, whether the fields differ from what was loaded,
// which rows a Save writes or deletes (and in what one transaction), and
// how the grid follows a save. panel.cpp reads and writes the controls
// around these; the tests drive them with plain texts.
#pragma once

#include "core/catalogue.h"
#include "core/stock.h"

#include <sqlite3.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

// The panel's condition rows, in the order of Condition::All.
constexpr int kPanelConditions = static_cast<int>(std::size(Condition::All));

// The panel's editable fields as the user sees them. As last loaded or
// saved it is the baseline that unsaved edits are measured against; read
// afresh it is what the panel shows now.
struct PanelBaseline {
    std::wstring qtyTexts[kPanelConditions];
    std::wstring priceTexts[kPanelConditions];
    std::wstring location;
    bool want = false;
    bool trade = false;
};

// Any field differs from the baseline, texts compared exactly. A field
// typed back to its old text is no change.
bool DiffersFromBaseline(const PanelBaseline& shown, const PanelBaseline& baseline);

// The quantity and price texts of one card and variant, and the stored
// price behind each price text. Conditions without a stored row show "0"
// and an empty price.
struct ConditionFields {
    std::wstring qtyTexts[kPanelConditions];
    std::wstring priceTexts[kPanelConditions];
    double storedPrices[kPanelConditions] = {};
};
ConditionFields EmptyConditionFields();
// Rows whose condition is not exactly one of the condition words are not
// shown. A price of 0 shows as an empty field, any other with two decimals.
ConditionFields ConditionFieldsFromRows(const std::vector<ConditionRow>& rows);

// "Set   #4/102   Rare Holo"; the "/total" only when the set has one.
std::wstring CardSubtitle(const CatalogueRow& row);
// The variant combo's items, one per Variant::All word in its order, those
// the card holds marked with "  •".
std::vector<std::wstring> VariantChoices(const std::vector<std::wstring>& heldVariants);
// A combo selection as a variant index; anything outside the variants is
// Standard.
int32_t VariantIndexOrStandard(int64_t selection);

// One condition row as a Save writes it: deleted when the quantity is 0.
struct ConditionWrite {
    int32_t qty = 0;
    double price = 0.0;
};
struct PanelSave {
    ConditionWrite rows[kPanelConditions];
    std::wstring location; // as typed; empty removes the stored location
    bool want = false;
    bool trade = false;
};

// The first field that does not parse, in the order Mint quantity, Mint
// price, Near Mint quantity, and so on.
struct PanelInputError {
    int condition = 0;
    bool price = false; // else the quantity
    std::wstring message;
};

// Parses the shown fields into what a Save writes. A price field still
// showing its loaded text keeps the stored price, so a price with more
// decimals than the field shows is not rounded by an unrelated edit.
bool PlanPanelSave(const PanelBaseline& shown, const PanelBaseline& baseline,
                   const double (&storedPrices)[kPanelConditions], PanelSave& save, PanelInputError& error);

enum class PanelWriteResult {
    BeginFailed,
    Failed, // rolled back: nothing of the save is stored
    Committed,
};
// Every condition row of the card's variant, the variant's location and the
// card's flags, in one transaction. error holds the first failure.
PanelWriteResult WritePanelSave(sqlite3* db, const std::string& cardId, const std::wstring& variant, Ledger ledger,
                                const PanelSave& save, std::string& error);

// The card's want and trade flags; both off, and success, when it has none.
bool ReadCardFlags(sqlite3* db, const std::string& cardId, bool& want, bool& trade, std::string& error);

// How the grid follows a committed save. A location the Location filter has
// not seen must join it; a stock or flag change can change which rows pass
// only while "In stock only" or the Show filter is on.
enum class GridRefresh {
    Repaint,
    Refilter,
    RefillLocationsAndRefilter,
};
GridRefresh GridRefreshAfterSave(bool locationRead, const std::wstring& oldLocation,
                                 const std::wstring& newLocation, bool inStockOnly, bool showFilterActive);
