#include "app/store/store_settings_form.h"

#include <cwchar>

namespace {

// -1 for a character that is not a hex digit.
int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

} // namespace

COLORREF ParseHexColour(std::wstring_view text)
{
    if (!text.empty() && text.front() == L'#')
        text.remove_prefix(1);
    if (text.size() != 6 && text.size() != 3)
        return kDefaultAccent;
    int digits[6] = {};
    for (size_t i = 0; i < text.size(); ++i) {
        digits[i] = HexDigit(text[i]);
        if (digits[i] < 0)
            return kDefaultAccent;
    }
    if (text.size() == 3)
        return RGB(digits[0] * 17, digits[1] * 17, digits[2] * 17);
    return RGB(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
}

std::wstring FormatHexColour(COLORREF colour)
{
    wchar_t text[8];
    swprintf(text, 8, L"#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

COLORREF SwatchTextColour(COLORREF accent)
{
    const int luma = (GetRValue(accent) * 299 + GetGValue(accent) * 587 + GetBValue(accent) * 114) / 1000;
    return luma > 140 ? RGB(0x14, 0x14, 0x14) : RGB(0xFF, 0xFF, 0xFF);
}

std::wstring LfToCrLf(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size() + 8);
    for (const wchar_t c : text) {
        if (c == L'\n')
            out += L"\r\n";
        else if (c != L'\r')
            out += c;
    }
    return out;
}
