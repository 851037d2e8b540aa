// The amend window's rules without a window: the checks on Save, the
// channel choices and what counts as a change.
#include "app/sales/amend_rules.h"

#include <gtest/gtest.h>

namespace {

SaleRecord Sale(int32_t qty, double price, const wchar_t* channel)
{
    SaleRecord sale;
    sale.sale_id = 7;
    sale.qty = qty;
    sale.price = price;
    sale.channel = channel;
    return sale;
}

TEST(AmendRules, QuantityIsCheckedBeforePriceAndBothMustParse)
{
    const SaleRecord sale = Sale(2, 4.5, L"eBay");
    AmendValues values;
    for (const wchar_t* qty : {L"0", L"", L"  ", L"1.5", L"-1", L"100001", L"two"})
        EXPECT_EQ(ReadAmendFields(sale, qty, L"not a price", values), AmendCheck::BadQuantity) << qty;
    for (const wchar_t* price : {L"-1", L"4,50", L"$3", L"1.2.3"})
        EXPECT_EQ(ReadAmendFields(sale, L"3", price, values), AmendCheck::BadPrice);
    EXPECT_EQ(values.qty, 0); // nothing written on a refusal

    ASSERT_EQ(ReadAmendFields(sale, L" 3 ", L"", values), AmendCheck::Ready);
    EXPECT_EQ(values.qty, 3);
    EXPECT_EQ(values.price, 0.0); // an empty price is 0.00
    ASSERT_EQ(ReadAmendFields(sale, L"3", L"5", values), AmendCheck::Ready);
    EXPECT_EQ(values.price, 5.0);
}

// The field shows two decimals; a price the user did not touch must come
// back exactly as stored, or saving a changed quantity would also reprice
// the sale, and saving nothing would count as a change.
TEST(AmendRules, AnUntouchedPriceKeepsItsStoredValueAndAnUntouchedSaleIsNoChange)
{
    for (double stored : {4.999, 0.125, 1.0 / 3.0, 0.0, 12.5}) {
        SaleRecord sale = Sale(2, stored, L"Market");
        AmendValues values;
        values.channel = sale.channel;
        ASSERT_EQ(ReadAmendFields(sale, L"2", AmendPriceText(stored), values), AmendCheck::Ready);
        EXPECT_EQ(values.price, stored);
        EXPECT_FALSE(AmendChangesSale(sale, values));

        ASSERT_EQ(ReadAmendFields(sale, L"3", L" " + AmendPriceText(stored) + L" ", values), AmendCheck::Ready);
        EXPECT_EQ(values.price, stored);
        EXPECT_TRUE(AmendChangesSale(sale, values));
    }
    SaleRecord sale = Sale(2, 4.999, L"ebay");
    AmendValues values{2, 5.0, L"ebay"};
    EXPECT_TRUE(AmendChangesSale(sale, values)); // a price typed anew is a change
    values = {2, 4.999, L"eBay"};
    EXPECT_TRUE(AmendChangesSale(sale, values));
}

TEST(AmendRules, TheSalesOwnChannelIsAlwaysAChoiceAndSelected)
{
    int selected = -1;
    EXPECT_EQ(AmendChannelChoices(L"eBay", selected).size(), 5u);
    EXPECT_EQ(selected, 2);

    for (const wchar_t* own : {L"ebay", L"Car boot", L""}) {
        const std::vector<std::wstring> choices = AmendChannelChoices(own, selected);
        ASSERT_EQ(choices.size(), 6u);
        EXPECT_EQ(choices[5], own);
        EXPECT_EQ(selected, 5);
    }
}

} // namespace
