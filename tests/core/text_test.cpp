#include "core/text.h"

#include <gtest/gtest.h>

TEST(TextConversion, RoundTripsKeepEveryByteAndIllFormedBytesBecomeReplacements)
{
    for (const std::string& utf8 : {std::string("Pok\xC3\xA9mon \xE2\x80\x94 \xF0\x9F\x83\x8F"), std::string("a\0b", 3),
                                    std::string("\0", 1)})
        EXPECT_EQ(WideToUtf8(Utf8ToWide(utf8)), utf8);
    EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
}

TEST(SafeFileStem, KeepsPlainIdsAndKeepsReplacedOnesApart)
{
    EXPECT_EQ(SafeFileStem(""), "card_811c9dc5");
    EXPECT_EQ(SafeFileStem("a.b"), "a_b_108bf50c");
    EXPECT_NE(SafeFileStem("a/b"), SafeFileStem("a.b"));
    EXPECT_EQ(StoreImageStem("a.b"), SafeFileStem("a.b"));
    // Device names never come back bare.
    for (const char* id : {"CON", "con", "Nul", "PRN", "aux", "COM1", "com9", "LPT1", "lPt9"}) {
        const std::string stem = SafeFileStem(id);
        EXPECT_EQ(stem.size(), strlen(id) + 9) << id;
        EXPECT_EQ(stem.substr(0, strlen(id) + 1), std::string(id) + "_");
    }
    EXPECT_NE(SafeFileStem("CON"), SafeFileStem("con"));
    for (const char* id : {"CONS", "COM0", "COM10", "NUL1"})
        EXPECT_EQ(SafeFileStem(id), id);
}

TEST(ParseQuantity, TakesZeroToOneHundredThousandAndLeavesTheValueOnRefusal)
{
    const struct { const wchar_t* text; uint32_t value; } accepted[] = {
        {L"   ", 0}, {L" 12\t", 12}, {L"100000", 100000}, {L"0000007", 7}};
    for (const auto& c : accepted) {
        uint32_t q = 99;
        EXPECT_TRUE(ParseQuantity(c.text, &q)) << WideToUtf8(c.text);
        EXPECT_EQ(q, c.value);
    }
    for (const wchar_t* text : {L"100001", L"00000007", L"-1", L"1.0", L"+5", L"9999999", L"1\r"}) {
        uint32_t q = 42;
        EXPECT_FALSE(ParseQuantity(text, &q)) << WideToUtf8(text);
        EXPECT_EQ(q, 42u);
    }
}

TEST(ParsePrice, TakesDigitsAndOneFullStopUpToAMillionAndLeavesTheValueOnRefusal)
{
    const struct { const wchar_t* text; double value; } accepted[] = {
        {L"", 0.0}, {L"5.", 5.0}, {L".5", 0.5}, {L" 4.50\t", 4.5}, {L"1000000.00", 1000000.0},
        {L"999999.99999", 999999.99999}};
    for (const auto& c : accepted) {
        double p = -1;
        EXPECT_TRUE(ParsePrice(c.text, &p)) << WideToUtf8(c.text);
        EXPECT_DOUBLE_EQ(p, c.value);
    }
    for (const wchar_t* text : {L"1000000.01", L".", L"1.2.3", L"0000000000001", L"1,50", L"-1", L"1e3", L"inf",
                                L"nan", L"0x10"}) {
        double p = 7.25;
        EXPECT_FALSE(ParsePrice(text, &p)) << WideToUtf8(text);
        EXPECT_EQ(p, 7.25);
    }
}
