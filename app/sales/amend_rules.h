// What the amend-sale window decides without a window: its header lines and
// channel choices, the checks on Save, and whether the values saved change
// the sale at all.
#pragma once

#include "core/sales.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The first header line is SaleCardText (recent_rows.h); this is the
// second: variant, condition and the time of sale.
std::wstring AmendDetailLine(const SaleRecord& sale);

// The unit price as the window first shows it.
std::wstring AmendPriceText(double price);

// The channel words in the order the user knows them, followed by the
// sale's own channel when it is none of them, so that saving keeps it;
// selected is the sale's channel among them. The match is exact: a stored
// "ebay" is not "eBay", and saving an untouched sale must not rewrite it.
std::vector<std::wstring> AmendChannelChoices(const std::wstring& saleChannel, int& selected);

struct AmendValues {
    int32_t qty = 0;
    double price = 0.0;
    std::wstring channel;
};

enum class AmendCheck {
    Ready,       // qty and price are set
    BadQuantity, // not a whole number of at least 1
    BadPrice     // not a price of 0 or more
};
// Reads the two fields, without their leading and trailing blanks. A price
// field still showing the text the window put there keeps the sale's stored
// price: the field shows two decimals, and a stored 4.999 must not become
// 5.00 because the user changed only the quantity or the channel.
AmendCheck ReadAmendFields(const SaleRecord& sale, std::wstring_view qtyText, std::wstring_view priceText,
                           AmendValues& values);

// Whether saving these values would change the stored sale.
bool AmendChangesSale(const SaleRecord& sale, const AmendValues& values);
