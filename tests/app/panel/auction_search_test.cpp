// The auction-site search address without a browser: the words, their form
// encoding, which sites may become the address's host, and the address.
#include "app/panel/auction_search.h"

#include "core/settings.h"

#include <gtest/gtest.h>

namespace {

TEST(AuctionSearch, FormEncodingTakesUtf8BytesAndKeepsOnlyTheUnreservedCharacters)
{
    EXPECT_EQ(UrlEncodeForm(L"\u00e9"), L"%C3%A9");
    EXPECT_EQ(UrlEncodeForm(L"a&b/c+d~e f"), L"a%26b%2Fc%2Bd~e+f");
    EXPECT_EQ(UrlEncodeForm(L"Az09-._"), L"Az09-._");
    // Characters that would end or split the search term in the address.
    EXPECT_EQ(UrlEncodeForm(L"#?=%\"<'"), L"%23%3F%3D%25%22%3C%27");
    // A character beyond the first plane is one code point of four bytes,
    // not two halves encoded on their own.
    EXPECT_EQ(UrlEncodeForm(L"\U0001F525"), L"%F0%9F%94%A5");
    EXPECT_EQ(UrlEncodeForm(L"\t\n"), L"%09%0A");
    EXPECT_EQ(UrlEncodeForm(L""), L"");
}

TEST(AuctionSearch, WordsNameTheCardWithHoloBeforeTheTrailingWords)
{
    EXPECT_EQ(UrlEncodeForm(AuctionSearchWords(L"Pikachu V", L"Vivid Voltage", L"043", false)),
              L"Pikachu+V+Vivid+Voltage+043+pokemon+card");
    EXPECT_EQ(UrlEncodeForm(AuctionSearchWords(L"Pikachu V", L"Vivid Voltage", L"043", true)),
              L"Pikachu+V+Vivid+Voltage+043+Holo+pokemon+card");
    EXPECT_EQ(UrlEncodeForm(AuctionSearchWords(L"Pikachu V", L"", L"043", false)),
              L"Pikachu+V++043+pokemon+card");
    EXPECT_EQ(UrlEncodeForm(AuctionSearchWords(L"Flab\u00e9b\u00e9", L"XY", L"", true)),
              L"Flab%C3%A9b%C3%A9+XY++Holo+pokemon+card");
}

TEST(AuctionSearch, OnlyAPlainEbayHostNameIsAValidSite)
{
    EXPECT_TRUE(IsValidAuctionSite(L"ebay.c"));
    EXPECT_FALSE(IsValidAuctionSite(L"ebay."));
    const std::wstring longest = L"ebay." + std::wstring(59, L'a');
    ASSERT_EQ(longest.size(), 64u);
    EXPECT_TRUE(IsValidAuctionSite(longest));
    EXPECT_FALSE(IsValidAuctionSite(longest + L"a"));
    EXPECT_FALSE(IsValidAuctionSite(L"EBAY.com"));
    EXPECT_FALSE(IsValidAuctionSite(L"Ebay.com"));
    EXPECT_FALSE(IsValidAuctionSite(L"ebay.com/evil"));
    EXPECT_FALSE(IsValidAuctionSite(L"ebay.com:8080"));
    EXPECT_FALSE(IsValidAuctionSite(L"ebay.com@evil.example"));
    EXPECT_FALSE(IsValidAuctionSite(L"ebay.co m"));
    EXPECT_FALSE(IsValidAuctionSite(L"ebay.c\u00f6m"));
    EXPECT_FALSE(IsValidAuctionSite(L"my-ebay.com"));
    EXPECT_FALSE(IsValidAuctionSite(L""));
    EXPECT_TRUE(IsValidAuctionSite(L"ebay.my-shop.com"));
    // Every site the settings window offers, the default among them, can
    // be used.
    for (const wchar_t* site : RegionalAuctionSites)
        EXPECT_TRUE(IsValidAuctionSite(site)) << site;
}

TEST(AuctionSearch, SoldSearchesAskForCompletedSalesAndCurrentOnesDoNot)
{
    const std::wstring words = AuctionSearchWords(L"Pikachu V", L"Vivid Voltage", L"043", false);
    EXPECT_EQ(AuctionSearchUrl(L"ebay.com.au", words, false),
              L"https://www.ebay.com.au/sch/i.html?_nkw=Pikachu+V+Vivid+Voltage+043+pokemon+card"
              L"&LH_PrefLoc=1&LH_FS=1&_sop=15&LH_Sold=1&LH_Complete=1");
    EXPECT_EQ(AuctionSearchUrl(L"ebay.de", words, true),
              L"https://www.ebay.de/sch/i.html?_nkw=Pikachu+V+Vivid+Voltage+043+pokemon+card"
              L"&LH_PrefLoc=1&LH_FS=1&_sop=15");
    // A name holding '&' cannot add a parameter of its own.
    const std::wstring url = AuctionSearchUrl(L"ebay.de", AuctionSearchWords(L"A&LH_Sold=1", L"", L"", true), true);
    EXPECT_NE(url.find(L"_nkw=A%26LH_Sold%3D1+"), std::wstring::npos);
    EXPECT_EQ(url.find(L"&LH_Sold"), std::wstring::npos);
}

} // namespace
