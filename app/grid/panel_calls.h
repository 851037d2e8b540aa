// The stock panel shows the grid's selected card, and everything that
// would reload or replace what it shows (another card, a reload, a mode
// switch, closing the window) asks it first. The grid and the window reach
// the panel only through these calls: the panel installs its own when the
// main window is created, and a test may script them. So the grid needs
// nothing of the panel, and the panel may use all of the grid.
#pragma once

#include <cstdint>

struct PanelCalls {
    // True to go on (nothing unsaved, saved, or discarded), false to stop.
    bool (*confirmUnsavedChanges)();
    // Shows the card of the grid's row and makes it the selected row.
    void (*loadPanel)(int32_t row);
    // Back to "no card selected".
    void (*clearPanel)();
};

// Until a panel is installed: nothing to ask, and only the grid's selected
// row follows.
PanelCalls& Panel();
