#include "app/panel/auction_search.h"

#include "core/text.h"

namespace {

bool IsAsciiAlnum(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

} // namespace

std::wstring UrlEncodeForm(std::wstring_view text)
{
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (const char byte : WideToUtf8(text)) {
        const auto c = static_cast<unsigned char>(byte);
        if (IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<wchar_t>(c);
        } else if (c == ' ') {
            out += L'+';
        } else {
            out += L'%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::wstring AuctionSearchWords(std::wstring_view name, std::wstring_view setName, std::wstring_view number,
                                bool holo)
{
    std::wstring words(name);
    words += L' ';
    words += setName;
    words += L' ';
    words += number;
    if (holo)
        words += L" Holo";
    words += L" pokemon card";
    return words;
}

bool IsValidAuctionSite(std::wstring_view site)
{
    if (site.size() < 6 || site.size() > 64 || site.substr(0, 5) != L"ebay.")
        return false;
    for (const wchar_t c : site) {
        if (!IsAsciiAlnum(c) && c != L'-' && c != L'.')
            return false;
    }
    return true;
}

std::wstring AuctionSearchUrl(std::wstring_view site, std::wstring_view words, bool currentListings)
{
    std::wstring url = L"https://www.";
    url += site;
    url += L"/sch/i.html?_nkw=";
    url += UrlEncodeForm(words);
    url += L"&LH_PrefLoc=1&LH_FS=1&_sop=15";
    if (!currentListings)
        url += L"&LH_Sold=1&LH_Complete=1";
    return url;
}
