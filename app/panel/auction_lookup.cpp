#include "app/panel/auction_lookup.h"

#include "app/grid/grid_model.h"
#include "app/panel/auction_search.h"
#include "app/shell/main_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "ui/ui_calls.h"

void OnEbay()
{
    const GridModel& grid = Grid();
    if (grid.selectedRow < 0 || static_cast<size_t>(grid.selectedRow) >= grid.rows.size())
        return;
    const CatalogueRow& card = grid.rows[static_cast<size_t>(grid.selectedRow)];
    const UiPrefs& flags = MainWindow().flags;
    const std::wstring words = AuctionSearchWords(card.name, card.set_name, card.number, flags.ebayHolo);

    // Read at every lookup: the settings window may have changed the site
    // since the last one, and a missing file means the default.
    StoreSettings settings;
    InitStoreSettings(settings);
    LoadStoreSettings(StoreSettingsFilePath(), settings);
    std::wstring site = settings.ebaySite.empty() ? kDefaultAuctionSite : settings.ebaySite;
    if (!IsValidAuctionSite(site)) {
        LogW(L"OnEbay: invalid ebaySite '%ls' \u2014 using %ls", site.c_str(), kDefaultAuctionSite);
        site = kDefaultAuctionSite;
    }

    Ui().shellOpen(AuctionSearchUrl(site, words, flags.ebayCurrent).c_str());
    LogW(L"eBay %ls%ls lookup: %ls", flags.ebayCurrent ? L"current-listings" : L"sold-comps",
         flags.ebayHolo ? L" +Holo" : L"", card.name.c_str());
}
