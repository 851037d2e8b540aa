// The auction-site search of the stock panel's card, as a web address,
// without a window: the search words, their form encoding, which site
// names may go into the address, and the address itself.
#pragma once

#include <string>
#include <string_view>

// The text as UTF-8, form-encoded: letters, digits and "-._~" stay, a space
// becomes '+', every other byte "%XX" in upper-case hex.
std::wstring UrlEncodeForm(std::wstring_view text);

// "name set_name number[ Holo] pokemon card"; an empty field keeps the
// spaces around it, as the site searches the same either way.
std::wstring AuctionSearchWords(std::wstring_view name, std::wstring_view setName, std::wstring_view number,
                                bool holo);

// The site goes into the address as its host: only a name of 6 to 64
// letters, digits, '-' and '.', starting with "ebay.", can neither point
// the browser elsewhere nor break the address.
bool IsValidAuctionSite(std::wstring_view site);

// The search of the site's listings in the buyer's region, newest first:
// sold ones, or with currentListings those still open.
std::wstring AuctionSearchUrl(std::wstring_view site, std::wstring_view words, bool currentListings);
