// The stock editor panel beside the grid: for the grid's selected card and
// one of its variants in the window's ledger, the quantity and price per
// condition, the variant's location and the card's want and trade flags.
// Every read and write opens its own connection; nothing is cached between
// loads but the baseline the fields were loaded with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Enables or disables every editable control of the panel; the title,
// labels and the card image stay as they are.
void EnableStockPanel(bool enable);

// Back to "no card selected": empty fields, controls disabled.
void ClearPanel();
// Shows the card of the grid's row on its Standard variant and makes it the
// selected row; a row outside the catalogue clears the panel. The controls
// are enabled only when every read succeeded.
void LoadPanel(int32_t row);
// Refills the variant combo, marking the variants the card holds, and
// selects one. A failed read only loses the marks.
void LoadVariantChoices(const std::string& cardId, int32_t select);
// Shows the card's quantities and prices for the variant; false, with
// zeros shown, when they could not be read. Takes a fresh baseline either
// way.
bool LoadConditionRows(const std::wstring& cardId, const std::wstring& variant);
// The variant combo's selection changed.
void OnVariantChanged();
// The variant the panel shows, as an index into Variant::All.
int32_t CurrentPanelVariant();

// The user changed a field; the program's own writes to the fields do not
// count.
void NotePanelEdited();
// What the fields show now becomes the baseline, and nothing is edited.
void SnapshotPanelBaseline();

// Parses a price edit's whole text; an empty one is 0. out is written only
// for a valid price.
bool ReadPriceField(HWND edit, double* out);

// Writes what the panel shows for its card and variant in one transaction;
// true when it was validated and committed. A failure keeps the fields as
// typed and still unsaved.
bool SavePanel();
// A card is shown and a field differs from what was loaded or saved.
bool PanelHasUnsavedChanges();
// Asks "Unsaved changes" when there are any. True to go on (nothing
// unsaved, saved, or discarded), false to stop.
bool ConfirmUnsavedChanges();

// Makes the grid and the main window reach this panel (Panel()).
void InstallStockPanel();
