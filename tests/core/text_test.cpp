#include "core/text.h"

#include <gtest/gtest.h>

#include <utility>

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

// Published pictures and the image cache are found again by these names,
// so a stem must never change.
TEST(SafeFileStem, EveryIdGetsTheSameStemItAlwaysHad)
{
    const std::pair<std::string, const char*> stems[] = {
        {"base1-4", "base1-4"},
        {"sv3pt5_151", "sv3pt5_151"},
        {"", "card_811c9dc5"},
        {"a/b", "a_b_3a8e75c1"},
        {"a.b", "a_b_108bf50c"},
        {"a<b>c:\"d|e?f*g\\h", "a_b_c__d_e_f_g_h_7fb09dc2"},
        {"ab ", "ab__5b484f5e"},
        {"..", "___a3d4a70d"},
        {std::string("x\0y", 3), "x_y_ca7c18b4"},
        {"Pok\xC3\xA9mon", "Pok__mon_50122d69"},
        // Device names never come back bare, whatever their case; near misses are plain ids.
        {"CON", "CON_3367e86b"},
        {"con", "con_f08dd14b"},
        {"Lpt9", "Lpt9_6b5ae6e2"},
        {"COM0", "COM0"},
        {"COM10", "COM10"},
        {"CONS", "CONS"},
        {"NUL1", "NUL1"},
    };
    for (const auto& [id, stem] : stems) {
        EXPECT_EQ(SafeFileStem(id), stem);
        EXPECT_EQ(StoreImageStem(id), stem);
    }
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
