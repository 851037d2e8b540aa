#include "core/output.h"

#include "core/file_replace.h"
#include "core/text.h"

#include <windows.h>

#include <cstdio>

std::string JsonEsc(std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    // Bad bytes would make the whole file unreadable to a strict reader.
    const std::string valid = ToValidUtf8(text);
    std::string out;
    out.reserve(valid.size() + valid.size() / 8);
    for (size_t i = 0; i < valid.size(); ++i) {
        const char c = valid[i];
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '<': out += "\\u003C"; break;
        case '>': out += "\\u003E"; break;
        case 0xE2:
            // U+2028 and U+2029 end a string literal in older script
            // engines, though JSON allows them raw.
            if (i + 2 < valid.size() && valid[i + 1] == '\x80' &&
                (valid[i + 2] == '\xA8' || valid[i + 2] == '\xA9')) {
                out += valid[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
                i += 2;
            } else {
                out += c;
            }
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0x0F];
            } else {
                out += c;
            }
        }
    }
    return out;
}

void AppendJsonText(std::string& out, const char* key, std::string_view value)
{
    out += '"';
    out += key;
    out += "\":\"";
    out += JsonEsc(value);
    out += '"';
}

std::string PriceNumberText(double price)
{
    // Room for the largest double in fixed notation (309 digits).
    char text[400];
    snprintf(text, sizeof text, "%.2f", price == 0.0 ? 0.0 : price);
    return text;
}

std::string FormatLongDateOf(int day, int month, int year)
{
    static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    const char* name = month >= 1 && month <= 12 ? kMonths[month - 1] : kMonths[0];
    char text[48];
    snprintf(text, sizeof text, "%d %s %d", day, name, year);
    return text;
}

std::string FormatLongDate()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatLongDateOf(now.wDay, now.wMonth, now.wYear);
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes, std::string& error)
{
    const FileWriteOutcome outcome = WriteAllBytes(path, bytes);
    if (outcome == FileWriteOutcome::Written)
        return true;
    error = (outcome == FileWriteOutcome::CannotCreate ? "cannot create " : "write failed: ") + WideToUtf8(path);
    return false;
}

bool IsValidImageFile(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    char head[8] = {};
    DWORD read = 0;
    const bool readable =
        GetFileSizeEx(file, &size) && size.QuadPart >= 0 && ReadFile(file, head, sizeof head, &read, nullptr);
    CloseHandle(file);
    return readable && IsValidImageStart(static_cast<uint64_t>(size.QuadPart), std::string_view(head, read));
}

bool IsValidImageStart(uint64_t fileSize, std::string_view head)
{
    // Anything smaller is a truncated download or an error text, not a card.
    constexpr uint64_t kSmallestImage = 256;
    if (fileSize < kSmallestImage || head.size() < 4)
        return false;
    const auto at = [&head](size_t i) { return static_cast<unsigned char>(head[i]); };
    const bool png = at(0) == 0x89 && at(1) == 'P' && at(2) == 'N' && at(3) == 'G';
    const bool jpeg = at(0) == 0xFF && at(1) == 0xD8 && at(2) == 0xFF;
    const bool gif = at(0) == 'G' && at(1) == 'I' && at(2) == 'F' && at(3) == '8';
    return png || jpeg || gif;
}

size_t FindStyleClose(std::string_view page)
{
    return page.find("</style>");
}

const char kFooterStyle[] =
    ".brandfoot{margin:20px 0 8px;text-align:center;font-size:.76rem;color:#8a98a6}"
    ".brandfoot a{color:#1f4e78;text-decoration:none}"
    ".brandfoot a:hover{text-decoration:underline}";

std::string BuildFooterHtml()
{
    return "<div class=\"brandfoot\">Made with Kov&#39;s Binderwell &middot; card data and images from "
           "<a href=\"https://pokemontcg.io/\" target=\"_blank\" rel=\"noopener\">the Pok&eacute;mon TCG API</a> "
           "and its open <a href=\"https://github.com/PokemonTCG/pokemon-tcg-data\" target=\"_blank\" "
           "rel=\"noopener\">card-data repository</a>.</div>\n";
}
