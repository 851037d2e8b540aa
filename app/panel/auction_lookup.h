// The "eBay sold comps" button: the stock panel's card searched for on the
// regional auction site of the store settings, in the default browser.
#pragma once

// Does nothing while no card is shown. Nothing is read back from the site
// and a browser that does not open is not reported.
void OnEbay();
