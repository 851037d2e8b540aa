// The sales commands that act on one card of the grid.
#pragma once

#include <string>

// The card that a grid context command acts on, copied when its menu
// opened: the view can be filtered again while the menu is up (the search
// delay's timer still fires), and a view index would then name another card.
struct ContextCard {
    std::wstring cardId;
    std::wstring name;
};

// The grid's context menu chose command (IDM_CTX_*) for card.
void RunGridContextCommand(int command, const ContextCard& card);

// The context menu's commands go through this: the sales commands' own
// call, unless a test scripts it.
struct GridContextCalls {
    void (*run)(int command, const ContextCard& card);
};
GridContextCalls& GridContext();
