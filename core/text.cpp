#include "core/text.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cwchar>

std::wstring Utf8ToWide(std::string_view utf8)
{
    if (utf8.empty() || utf8.size() > INT_MAX)
        return std::wstring();
    const int size = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), needed) != needed)
        return std::wstring();
    return wide;
}

namespace {

// The length of the well-formed UTF-8 character that text starts with, or 0
// when it starts with none; then *part is the length of the ill-formed start
// that one U+FFFD stands for (at least 1).
size_t Utf8CharLength(std::string_view text, size_t* part)
{
    const unsigned char lead = static_cast<unsigned char>(text[0]);
    *part = 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // shorter forms are overlong
        else if (lead == 0xED)
            high = 0x9F; // U+D800 to U+DFFF are surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= text.size())
            return 0;
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < (i == 1 ? low : 0x80) || byte > (i == 1 ? high : 0xBF))
            return 0;
        *part = i + 1;
    }
    return length;
}

} // namespace

std::string ToValidUtf8(std::string_view text)
{
    static const char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        // Runs of plain ASCII are the common case; copy them whole.
        size_t run = at;
        while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80)
            ++run;
        out.append(text.data() + at, run - at);
        at = run;
        if (at == text.size())
            break;
        size_t part = 1;
        const size_t length = Utf8CharLength(text.substr(at), &part);
        if (length) {
            out.append(text.data() + at, length);
            at += length;
        } else {
            out += kReplacement;
            at += part;
        }
    }
    return out;
}

std::string WideToUtf8(std::wstring_view wide)
{
    if (wide.empty() || wide.size() > INT_MAX)
        return std::string();
    const int size = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), needed, nullptr, nullptr) != needed)
        return std::string();
    return utf8;
}

namespace {

bool IsStemByte(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

uint32_t Fnv1a32(std::string_view bytes)
{
    uint32_t hash = 0x811c9dc5u;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// Windows opens a device, not a file, for these names whatever follows the
// dot, so "CON.img" must never be a cache file name.
bool IsWindowsDeviceName(std::string_view stem)
{
    for (const char* name : {"CON", "PRN", "AUX", "NUL"}) {
        if (EqualsAsciiNoCase(stem, name))
            return true;
    }
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
        const std::string_view prefix = stem.substr(0, 3);
        return EqualsAsciiNoCase(prefix, "COM") || EqualsAsciiNoCase(prefix, "LPT");
    }
    return false;
}

} // namespace

std::string SafeFileStem(std::string_view cardId)
{
    std::string stem;
    stem.reserve(cardId.size() + 9);
    bool replaced = false;
    for (unsigned char c : cardId) {
        if (IsStemByte(c)) {
            stem.push_back(static_cast<char>(c));
        } else {
            stem.push_back('_');
            replaced = true;
        }
    }
    if (stem.empty())
        stem = "card";
    if (replaced || cardId.empty() || IsWindowsDeviceName(stem)) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, "_%08x", static_cast<unsigned>(Fnv1a32(cardId)));
        stem += suffix;
    }
    return stem;
}

std::string StoreImageStem(std::string_view cardId)
{
    return SafeFileStem(cardId);
}

std::wstring TrimBlanks(std::wstring_view text)
{
    const auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    size_t last = text.size();
    while (last > first && isBlank(text[last - 1]))
        --last;
    return std::wstring(text.substr(first, last - first));
}

bool ParseQuantity(std::wstring_view text, uint32_t* quantity)
{
    const std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty()) {
        *quantity = 0;
        return true;
    }
    if (trimmed.size() > 7)
        return false;
    uint32_t value = 0;
    for (wchar_t c : trimmed) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<uint32_t>(c - L'0');
        if (value > 100000)
            return false;
    }
    *quantity = value;
    return true;
}

bool ParsePrice(std::wstring_view text, double* price)
{
    const std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty()) {
        *price = 0.0;
        return true;
    }
    if (trimmed.size() > 12)
        return false;
    bool sawPoint = false;
    bool sawDigit = false;
    for (wchar_t c : trimmed) {
        if (c >= L'0' && c <= L'9') {
            sawDigit = true;
        } else if (c == L'.' && !sawPoint) {
            sawPoint = true;
        } else {
            return false;
        }
    }
    if (!sawDigit)
        return false;
    // The program never changes the C runtime's locale, so the decimal point
    // here is the full stop whatever the user's regional settings say.
    const double value = wcstod(trimmed.c_str(), nullptr);
    if (!(value >= 0.0 && value <= 1000000.0))
        return false;
    *price = value;
    return true;
}
