#include "core/text.h"

#include <gtest/gtest.h>

TEST(TextConversion, RoundTripsKeepEveryByteIncludingEmbeddedZero)
{
    const std::string samples[] = {
        std::string("base1-4"),
        std::string("Pok\xC3\xA9mon \xE2\x80\x94 \xF0\x9F\x83\x8F"),  // é, em dash, a supplementary-plane card
        std::string("a\0b", 3),
        std::string("\0", 1),
    };
    for (const std::string& utf8 : samples) {
        const std::wstring wide = Utf8ToWide(utf8);
        EXPECT_FALSE(wide.empty());
        EXPECT_EQ(WideToUtf8(wide), utf8);
    }
    EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x83\x8F").size(), 2u);  // a surrogate pair
}

TEST(TextConversion, EmptyAndIllFormedInput)
{
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(WideToUtf8(L""), "");
    // Ill-formed sequences do not fail the conversion: each becomes U+FFFD
    // and the text around it survives.
    const std::wstring wide = Utf8ToWide("a\xFF" "b");
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(wide[0], L'a');
    EXPECT_EQ(wide[1], 0xFFFD);
    EXPECT_EQ(wide[2], L'b');
}

TEST(SafeFileStem, KeepsPlainIdsAndHashesReplacedOnes)
{
    EXPECT_EQ(SafeFileStem("base1-4"), "base1-4");
    EXPECT_EQ(SafeFileStem("sv3pt5-151"), "sv3pt5-151");
    EXPECT_EQ(SafeFileStem("under_score"), "under_score");
    EXPECT_EQ(SafeFileStem(""), "card_811c9dc5");
    EXPECT_EQ(SafeFileStem("a.b"), "a_b_108bf50c");
    EXPECT_EQ(SafeFileStem("\xC3\xA9" "1"), "__1_2295b1d0");
    // Ids that differ only in replaced characters stay apart.
    EXPECT_NE(SafeFileStem("a/b"), SafeFileStem("a.b"));
    EXPECT_EQ(SafeFileStem("a/b").substr(0, 4), "a_b_");
    EXPECT_EQ(StoreImageStem("a.b"), SafeFileStem("a.b"));
}

TEST(SafeFileStem, DeviceNamesNeverComeBackBare)
{
    for (const char* id : {"CON", "con", "Nul", "PRN", "aux", "COM1", "com9", "LPT1", "lPt9"}) {
        const std::string stem = SafeFileStem(id);
        EXPECT_EQ(stem.size(), strlen(id) + 9) << id;
        EXPECT_EQ(stem.substr(0, strlen(id)), id);
        EXPECT_EQ(stem[strlen(id)], '_');
    }
    EXPECT_NE(SafeFileStem("CON"), SafeFileStem("con"));
    for (const char* id : {"CONS", "COM0", "COM10", "LPT", "NUL1", "xCON"})
        EXPECT_EQ(SafeFileStem(id), id);
}

TEST(TrimBlanks, TrimsOnlySpacesAndTabs)
{
    EXPECT_EQ(TrimBlanks(L" \t a b \t "), L"a b");
    EXPECT_EQ(TrimBlanks(L"   "), L"");
    EXPECT_EQ(TrimBlanks(L""), L"");
    EXPECT_EQ(TrimBlanks(L"\r\nx\n"), L"\r\nx\n");
}

TEST(ParseQuantity, AcceptsZeroToOneHundredThousand)
{
    uint32_t q = 99;
    EXPECT_TRUE(ParseQuantity(L"", &q));
    EXPECT_EQ(q, 0u);
    q = 99;
    EXPECT_TRUE(ParseQuantity(L"   ", &q));
    EXPECT_EQ(q, 0u);
    EXPECT_TRUE(ParseQuantity(L" 12\t", &q));
    EXPECT_EQ(q, 12u);
    EXPECT_TRUE(ParseQuantity(L"100000", &q));
    EXPECT_EQ(q, 100000u);
    EXPECT_TRUE(ParseQuantity(L"0000007", &q));
    EXPECT_EQ(q, 7u);
}

TEST(ParseQuantity, RefusesAndLeavesTheOutValueAlone)
{
    for (const wchar_t* text : {L"100001", L"00000007", L"-1", L"1.0", L"+5", L"1 000", L"9999999", L"x", L"1\r"}) {
        uint32_t q = 42;
        EXPECT_FALSE(ParseQuantity(text, &q)) << WideToUtf8(text);
        EXPECT_EQ(q, 42u);
    }
}

TEST(ParsePrice, AcceptsDigitsAndOneFullStop)
{
    const struct {
        const wchar_t* text;
        double value;
    } accepted[] = {
        {L"", 0.0},          {L"5", 5.0},         {L"5.", 5.0},           {L".5", 0.5},
        {L"0.50", 0.5},      {L" 4.50\t", 4.5},   {L"1000000", 1000000.0}, {L"1000000.00", 1000000.0},
        {L"999999.99999", 999999.99999},
    };
    for (const auto& c : accepted) {
        double p = -1;
        EXPECT_TRUE(ParsePrice(c.text, &p)) << WideToUtf8(c.text);
        EXPECT_DOUBLE_EQ(p, c.value);
    }
}

TEST(ParsePrice, RefusesAndLeavesTheOutValueAlone)
{
    for (const wchar_t* text : {L"1000000.01", L".", L"1.2.3", L"0000000000001", L"1,50", L"$5", L"-1", L"1e3",
                                L"inf", L"nan", L"0x10", L"5 0"}) {
        double p = 7.25;
        EXPECT_FALSE(ParsePrice(text, &p)) << WideToUtf8(text);
        EXPECT_EQ(p, 7.25);
    }
}
