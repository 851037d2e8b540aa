// The main window's child controls, created in Tab order.
#pragma once

#include "app/shell/main_state.h"

// Every child control with its font, the grid's columns and its header's
// check box. Needs the window's dpi and fonts in state.
void CreateMainControls(MainWindowState& state);

// "Explorer" on the grid and check boxes, "CFD" on the combo boxes.
void ApplyControlThemes(const MainControls& controls);
