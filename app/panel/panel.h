// The stock editor panel beside the grid: the selected card's stock per
// variant and condition, its location and flags.
#pragma once

#include <cstdint>

// Back to "no card selected".
void ClearPanel();
// Shows the card of the grid's row and makes it the selected row.
void LoadPanel(int32_t row);
// True to go on (nothing unsaved, saved, or discarded), false to stop.
bool ConfirmUnsavedChanges();

// Makes the grid and the main window reach this panel (Panel()).
void InstallStockPanel();
