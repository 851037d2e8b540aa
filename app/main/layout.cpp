#include "app/main/layout.h"

#include <commctrl.h>

#include <algorithm>

namespace {

void Place(HWND control, const Box& box)
{
    if (control)
        MoveWindow(control, box.x, box.y, box.width, box.height, TRUE);
}

} // namespace

MainLayout ComputeMainLayout(int dpi, int clientWidth, int clientHeight, int statusHeight, bool collectionMode)
{
    const auto s = [dpi](int value) { return MulDiv(value, dpi, 96); };
    MainLayout l;

    // Filter row: buttons and the search box 28 high, combo boxes 240 (their
    // drop-down extent), labels 18 high a little lower.
    const int rowY = s(8);
    const int labelY = s(14);
    int x = s(8);
    l.modeToggle = {x, rowY, s(140), s(28)};
    x += s(140) + s(8);
    l.setFilter = {x, rowY, s(160), s(240)};
    x += s(160) + s(6);
    l.search = {x, rowY, s(180), s(28)};
    x += s(180) + s(6);
    l.rarityFilter = {x, rowY, s(144), s(240)};
    x += s(144) + s(10);
    l.locationFilterLabel = {x, labelY, s(64), s(18)};
    x += s(64);
    l.locationFilter = {x, rowY, s(144), s(240)};
    x += s(144) + s(10);
    l.clearFilters = {x, rowY, s(84), s(28)};
    x += s(84) + s(10);
    l.modeLabel = {x, labelY, s(56), s(18)};
    x += s(56);
    l.modeCombo = {x, rowY, s(120), s(240)};

    // The grid takes what the panel leaves, or everything when that is too
    // narrow to be of use.
    int gridWidth = clientWidth - s(300);
    if (gridWidth < s(200))
        gridWidth = clientWidth;
    l.grid = {0, s(44), gridWidth, clientHeight - statusHeight - s(44)};
    const int fixedColumns[kGridColumns] = {0, s(150), s(60), s(140), s(60), s(130)};
    int otherColumns = 0;
    for (int c = 1; c < kGridColumns; ++c) {
        l.columnWidths[c] = fixedColumns[c];
        otherColumns += fixedColumns[c];
    }
    l.columnWidths[0] = std::max(gridWidth - otherColumns - s(26), s(160));

    // The panel always starts from the right-hand 300 pixels, even when the
    // grid took the whole width.
    const int px = clientWidth - s(300) + s(12);
    const int panelWidth = s(276);
    l.cardTitle = {px, s(56), panelWidth, s(24)};
    l.cardSubtitle = {px, s(82), panelWidth, s(34)};
    l.variantLabel = {px, s(126), s(56), s(18)};
    l.variant = {px + s(56), s(122), s(220), s(240)};
    l.conditionHeader = {px, s(156), s(80), s(18)};
    l.qtyHeader = {px + s(86), s(156), s(52), s(18)};
    l.priceHeader = {px + s(144), s(156), s(76), s(18)};
    // In Collection mode the sell column takes the price column's place too.
    const Box sellColumn = collectionMode ? Box{px + s(144), 0, s(122), 0} : Box{px + s(226), 0, s(40), 0};
    l.sellHeader = {sellColumn.x, s(156), sellColumn.width, s(18)};
    for (int i = 0; i < kConditionRows; ++i) {
        const int y = s(178) + i * s(30);
        l.conditionLabel[i] = {px, y + s(3), s(80), s(20)};
        l.qty[i] = {px + s(86), y, s(52), s(24)};
        l.price[i] = {px + s(144), y, s(76), s(24)};
        l.sell[i] = {sellColumn.x, y, sellColumn.width, s(24)};
    }
    l.locationLabel = {px, s(272), s(64), s(18)};
    l.location = {px + s(64), s(268), s(212), s(240)};
    l.save = {px, s(310), s(90), s(28)};
    l.ebayComps = {px + s(98), s(310), s(140), s(28)};
    l.firstCheck = {px, s(344), panelWidth, s(20)};
    l.secondCheck = {px, s(368), panelWidth, s(20)};
    const int imageBottom = std::max(clientHeight - statusHeight - s(8), s(396) + s(60));
    l.cardImage = {px, s(396), panelWidth, imageBottom - s(396)};
    return l;
}

void LayoutMainWindow(HWND main)
{
    const MainWindowState& state = MainWindow();
    const MainControls& c = state.controls;

    int statusHeight = 0;
    if (c.status) {
        // The status bar fits itself to the window first.
        SendMessageW(c.status, WM_SIZE, 0, 0);
        RECT statusRect;
        GetWindowRect(c.status, &statusRect);
        statusHeight = statusRect.bottom - statusRect.top;
    }
    RECT client;
    GetClientRect(main, &client);
    const MainLayout l =
        ComputeMainLayout(state.dpi, client.right, client.bottom, statusHeight, state.flags.collectionMode);

    Place(c.modeToggle, l.modeToggle);
    Place(c.setFilter, l.setFilter);
    Place(c.search, l.search);
    Place(c.rarityFilter, l.rarityFilter);
    Place(c.locationFilterLabel, l.locationFilterLabel);
    Place(c.locationFilter, l.locationFilter);
    Place(c.clearFilters, l.clearFilters);
    Place(c.channelLabel, l.modeLabel);
    Place(c.showLabel, l.modeLabel);
    Place(c.channel, l.modeCombo);
    Place(c.showFilter, l.modeCombo);
    Place(c.grid, l.grid);
    if (c.grid) {
        for (int column = 0; column < kGridColumns; ++column)
            SendMessageW(c.grid, LVM_SETCOLUMNWIDTH, column, l.columnWidths[column]);
    }
    Place(c.cardTitle, l.cardTitle);
    Place(c.cardSubtitle, l.cardSubtitle);
    Place(c.variantLabel, l.variantLabel);
    Place(c.variant, l.variant);
    Place(c.conditionHeader, l.conditionHeader);
    Place(c.qtyHeader, l.qtyHeader);
    Place(c.priceHeader, l.priceHeader);
    Place(c.sellHeader, l.sellHeader);
    for (int i = 0; i < kConditionRows; ++i) {
        Place(c.conditionLabel[i], l.conditionLabel[i]);
        Place(c.qty[i], l.qty[i]);
        Place(c.price[i], l.price[i]);
        Place(c.sell[i], l.sell[i]);
    }
    Place(c.locationLabel, l.locationLabel);
    Place(c.location, l.location);
    Place(c.save, l.save);
    Place(c.ebayComps, l.ebayComps);
    Place(c.ebayCurrent, l.firstCheck);
    Place(c.want, l.firstCheck);
    Place(c.ebayHolo, l.secondCheck);
    Place(c.trade, l.secondCheck);
    Place(c.cardImage, l.cardImage);
}
