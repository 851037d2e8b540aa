#include "app/sales/amend_rules.h"

#include "core/text.h"

#include <cwchar>
#include <iterator>

std::wstring AmendDetailLine(const SaleRecord& sale)
{
    return sale.variant + L" / " + sale.condition + L"   \u00B7   sold " + sale.sold_at;
}

std::wstring AmendPriceText(double price)
{
    wchar_t text[32];
    swprintf(text, 32, L"%.2f", price);
    return text;
}

std::vector<std::wstring> AmendChannelChoices(const std::wstring& saleChannel, int& selected)
{
    std::vector<std::wstring> choices(std::begin(SaleChannel::All), std::end(SaleChannel::All));
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i] == saleChannel) {
            selected = static_cast<int>(i);
            return choices;
        }
    }
    choices.push_back(saleChannel);
    selected = static_cast<int>(choices.size() - 1);
    return choices;
}

AmendCheck ReadAmendFields(const SaleRecord& sale, std::wstring_view qtyText, std::wstring_view priceText,
                           AmendValues& values)
{
    uint32_t qty = 0;
    if (!ParseQuantity(TrimBlanks(qtyText), &qty) || qty < 1)
        return AmendCheck::BadQuantity;
    const std::wstring price = TrimBlanks(priceText);
    double parsed = 0.0;
    if (price == AmendPriceText(sale.price))
        parsed = sale.price;
    else if (!ParsePrice(price, &parsed))
        return AmendCheck::BadPrice;
    values.qty = static_cast<int32_t>(qty);
    values.price = parsed;
    return AmendCheck::Ready;
}

bool AmendChangesSale(const SaleRecord& sale, const AmendValues& values)
{
    return values.qty != sale.qty || values.price != sale.price || values.channel != sale.channel;
}
