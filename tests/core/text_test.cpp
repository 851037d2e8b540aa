#include "core/text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(TextConversion, RoundTripsKeepEveryByteAndIllFormedBytesBecomeReplacements)
{
    for (const std::string& utf8 : {std::string("Pok\xC3\xA9mon \xE2\x80\x94 \xF0\x9F\x83\x8F"), std::string("a\0b", 3),
                                    std::string("\0", 1)})
        EXPECT_EQ(WideToUtf8(Utf8ToWide(utf8)), utf8);
    EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
}

// One U+FFFD per maximal ill-formed part, as a browser decodes the bytes.
TEST(ToValidUtf8, WellFormedTextIsKeptAndEachIllFormedPartBecomesOneReplacement)
{
    const char keepBytes[] = "Pok\xC3\xA9mon \xE2\x80\xA8 \xED\x9F\xBF \xEE\x80\x80 \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF nul\0!";
    const std::string keep(keepBytes, sizeof keepBytes - 1);
    EXPECT_EQ(ToValidUtf8(keep), keep);
    EXPECT_EQ(ToValidUtf8(""), "");
    const std::string r = "\xEF\xBF\xBD";
    const struct {
        const char* in;
        std::string out;
    } cases[] = {
        // The standard's own example: cut-off sequences and stray bytes.
        {"a\xF1\x80\x80\xE1\x80\xC2" "b\x80" "c\x80\xBF" "d", "a" + r + r + r + "b" + r + "c" + r + r + "d"},
        {"\xC0\xAF", r + r},                       // overlong '/'
        {"\xE0\x80\xAF", r + r + r},              // overlong, three bytes
        {"\xED\xA0\x80x", r + r + r + "x"},       // a surrogate half
        {"\xF4\x90\x80\x80", r + r + r + r},     // past U+10FFFF
        {"\xF5\xFF\xFE", r + r + r},              // bytes that start nothing
        {"end \xE2\x82", "end " + r},              // cut off at the end
        {"\xF0\x9F\x83" "A\xF0\x9F\x83\x8F", r + "A\xF0\x9F\x83\x8F"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToValidUtf8(c.in), c.out) << c.in;
}

TEST(SafeFileStem, KeepsPlainIdsAndKeepsReplacedOnesApart)
{
    EXPECT_FALSE(SafeFileStem("").empty());
    EXPECT_NE(SafeFileStem("a/b"), SafeFileStem("a.b"));
    EXPECT_NE(SafeFileStem("CON"), SafeFileStem("con"));
    EXPECT_EQ(StoreImageStem("a.b"), SafeFileStem("a.b"));
    // Device names never come back bare; near misses are plain ids.
    for (const char* id : {"CON", "Nul", "PRN", "aux", "COM1", "com9", "LPT1", "lPt9"})
        EXPECT_NE(_stricmp(SafeFileStem(id).c_str(), id), 0) << id;
    for (const char* id : {"CONS", "COM0", "COM10", "NUL1"})
        EXPECT_EQ(SafeFileStem(id), id);
}

// Refused text leaves the value as it was (the -1 cases).
TEST(ParseNumbers, QuantitiesUpToOneHundredThousandPricesUpToAMillion)
{
    const struct { const wchar_t* text; int value; } quantities[] = {
        {L"   ", 0}, {L" 12\t", 12}, {L"100000", 100000}, {L"0000007", 7}, {L"100001", -1}, {L"00000007", -1},
        {L"-1", -1}, {L"1.0", -1}, {L"+5", -1}, {L"9999999", -1}, {L"1\r", -1}};
    for (const auto& c : quantities) {
        uint32_t q = 42;
        EXPECT_EQ(ParseQuantity(c.text, &q), c.value >= 0) << WideToUtf8(c.text);
        EXPECT_EQ(static_cast<int>(q), c.value >= 0 ? c.value : 42) << WideToUtf8(c.text);
    }
    const struct { const wchar_t* text; double value; } prices[] = {
        {L"", 0.0}, {L"5.", 5.0}, {L".5", 0.5}, {L" 4.50\t", 4.5}, {L"1000000.00", 1000000.0},
        {L"999999.99999", 999999.99999}, {L"1000000.01", -1}, {L".", -1}, {L"1.2.3", -1}, {L"0000000000001", -1},
        {L"1,50", -1}, {L"-1", -1}, {L"1e3", -1}, {L"inf", -1}, {L"nan", -1}, {L"0x10", -1}};
    for (const auto& c : prices) {
        double p = 7.25;
        EXPECT_EQ(ParsePrice(c.text, &p), c.value >= 0) << WideToUtf8(c.text);
        EXPECT_DOUBLE_EQ(p, c.value >= 0 ? c.value : 7.25) << WideToUtf8(c.text);
    }
}
