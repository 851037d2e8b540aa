// What the store page settings window decides without a window: the
// accent colour's text forms, the swatch's text colour and the notes'
// line breaks between the file and the edit control.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The accent when the stored text is not a colour: #1f4e78.
constexpr COLORREF kDefaultAccent = RGB(0x1F, 0x4E, 0x78);

// "#rrggbb" or "#rgb", either case, the '#' optional; anything else is the
// default accent, so a damaged file still gives a usable colour.
COLORREF ParseHexColour(std::wstring_view text);
// "#" and six upper-case hex digits.
std::wstring FormatHexColour(COLORREF colour);

// The colour the swatch writes its text in: near-black on a light accent,
// white on a dark one, so the text stays readable whatever the user picks.
COLORREF SwatchTextColour(COLORREF accent);

// The file keeps notes with LF alone; a multi-line edit control shows only
// CR LF as a line break. Every LF becomes CR LF and stray CRs are dropped.
std::wstring LfToCrLf(std::wstring_view text);
