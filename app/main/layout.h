// Where every control of the main window goes, for a client size, a dpi
// and a mode. Every size is given at 96 dpi and each constant is scaled on
// its own before positions are summed.
#pragma once

#include "app/shell/main_state.h"

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

constexpr int kGridColumns = 6;

struct MainLayout {
    // The filter row.
    Box modeToggle, setFilter, search, rarityFilter, locationFilterLabel, locationFilter, clearFilters;
    // The "Channel" and "Show" labels share a place, and so do their combos.
    Box modeLabel, modeCombo;
    Box grid;
    int columnWidths[kGridColumns] = {};
    // The stock panel.
    Box cardTitle, cardSubtitle, variantLabel, variant;
    Box conditionHeader, qtyHeader, priceHeader, sellHeader;
    Box conditionLabel[kConditionRows], qty[kConditionRows], price[kConditionRows], sell[kConditionRows];
    Box locationLabel, location, save, ebayComps;
    // "Current listings (not sold)" and "Want" share the first place,
    // "Holo" and "Trade / swap" the second.
    Box firstCheck, secondCheck;
    Box cardImage;
};

// statusHeight is the status bar's height in pixels (already scaled).
MainLayout ComputeMainLayout(int dpi, int clientWidth, int clientHeight, int statusHeight, bool collectionMode);

// Places every control, hidden ones too, for the current size and mode.
void LayoutMainWindow(HWND main);
