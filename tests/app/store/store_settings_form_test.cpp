// The store page settings window's colour and text rules without a window.
#include "app/store/store_settings_form.h"

#include <gtest/gtest.h>

namespace {

TEST(StoreSettingsForm, AccentTextsParseToTheirColourAndAnythingElseToTheDefault)
{
    // Red, green and blue land in their own bytes: a swap would turn the
    // accent of every published page into another colour.
    const COLORREF parsed = ParseHexColour(L"#102030");
    EXPECT_EQ(GetRValue(parsed), 0x10);
    EXPECT_EQ(GetGValue(parsed), 0x20);
    EXPECT_EQ(GetBValue(parsed), 0x30);
    EXPECT_EQ(ParseHexColour(L"aBcDeF"), RGB(0xAB, 0xCD, 0xEF));
    EXPECT_EQ(ParseHexColour(L"#fff"), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(ParseHexColour(L"#1a2"), RGB(0x11, 0xAA, 0x22));
    EXPECT_EQ(ParseHexColour(L"#000000"), RGB(0, 0, 0));

    for (const wchar_t* notAColour : {L"red", L"", L"#", L"##fff", L" #fff", L"#fff ", L"#ffff", L"#1f4e7",
                                      L"#12345g", L"#1f4e78ff", L"\uff11\uff12\uff13"})
        EXPECT_EQ(ParseHexColour(notAColour), RGB(0x1F, 0x4E, 0x78)) << notAColour;
}

TEST(StoreSettingsForm, AccentsAreWrittenAsSixUpperCaseDigitsAndReadBackUnchanged)
{
    EXPECT_EQ(FormatHexColour(ParseHexColour(L"#fff")), L"#FFFFFF");
    EXPECT_EQ(FormatHexColour(ParseHexColour(L"red")), L"#1F4E78");
    EXPECT_EQ(FormatHexColour(RGB(0x01, 0xA0, 0x0F)), L"#01A00F");
    for (COLORREF colour : {RGB(0, 0, 0), RGB(0xFF, 0xFF, 0xFF), RGB(0x12, 0x34, 0x56), RGB(0xFE, 0x01, 0x80)})
        EXPECT_EQ(ParseHexColour(FormatHexColour(colour)), colour);
}

TEST(StoreSettingsForm, SwatchTextIsDarkOnlyAboveTheLumaThreshold)
{
    const COLORREF dark = RGB(0x14, 0x14, 0x14);
    const COLORREF white = RGB(0xFF, 0xFF, 0xFF);
    EXPECT_EQ(SwatchTextColour(RGB(140, 140, 140)), white);
    EXPECT_EQ(SwatchTextColour(RGB(141, 141, 141)), dark);
    EXPECT_EQ(SwatchTextColour(RGB(0xFF, 0xFF, 0xFF)), dark);
    EXPECT_EQ(SwatchTextColour(ParseHexColour(L"#1f4e78")), white);
    // Green weighs most: pure green is light, pure blue dark; the weights
    // must not be given to the wrong bytes.
    EXPECT_EQ(SwatchTextColour(RGB(0, 255, 0)), dark);
    EXPECT_EQ(SwatchTextColour(RGB(0, 0, 255)), white);
    EXPECT_EQ(SwatchTextColour(RGB(255, 0, 0)), white);
    EXPECT_EQ(SwatchTextColour(RGB(255, 255, 0)), dark);
}

TEST(StoreSettingsForm, NotesGainCrLfLineBreaksAndLoseStrayCarriageReturns)
{
    EXPECT_EQ(LfToCrLf(L"line one\nline two"), L"line one\r\nline two");
    EXPECT_EQ(LfToCrLf(L"a\r\nb"), L"a\r\nb");
    EXPECT_EQ(LfToCrLf(L"a\rb\r"), L"ab");
    EXPECT_EQ(LfToCrLf(L"\n\n"), L"\r\n\r\n");
    EXPECT_EQ(LfToCrLf(L""), L"");
}

} // namespace
