#include "core/json.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <system_error>
#include <utility>

namespace {

// The state of one parse. Children of the containers being read wait in
// the two stacks until their container closes and then move into a vector
// of exactly their number: no growth slack is left in the tree, and the
// stacks' storage is reused by every container of the document.
struct JsonParser {
    const char* cursor = nullptr;
    const char* end = nullptr;
    std::string error;  // the first error; empty until then
    int32_t depth = 0;
    int64_t count = 0;
    std::vector<JsonValue> pendingItems;
    std::vector<JsonMember> pendingMembers;
    std::string unescaped;  // a string with escapes, while it is read
};

bool Fail(JsonParser& p, const char* text)
{
    if (p.error.empty())
        p.error = text;
    return false;
}

bool AtEnd(const JsonParser& p)
{
    return p.cursor == p.end;
}

size_t Remaining(const JsonParser& p)
{
    return static_cast<size_t>(p.end - p.cursor);
}

void SkipWhitespace(JsonParser& p)
{
    while (p.cursor != p.end) {
        const char c = *p.cursor;
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return;
        ++p.cursor;
    }
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool JsonParseValueGuarded(JsonParser& p, JsonValue& out);

void AppendUtf8(std::string& s, uint32_t cp)
{
    if (cp < 0x80) {
        s.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        s.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        s.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        s.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        s.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        s.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool JsonParseHex4(JsonParser& p, uint32_t& unit)
{
    if (Remaining(p) < 4)
        return Fail(p, "truncated \\u escape");
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = *p.cursor;
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return Fail(p, "bad hex digit in \\u escape");
        unit = (unit << 4) | digit;
        ++p.cursor;
    }
    return true;
}

// After the "\u" of an escape: one code unit, or a surrogate pair as one
// code point.
bool ParseUnicodeEscape(JsonParser& p, std::string& s)
{
    uint32_t unit;
    if (!JsonParseHex4(p, unit))
        return false;
    if (unit >= 0xDC00 && unit <= 0xDFFF)
        return Fail(p, "unexpected low surrogate");
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (Remaining(p) < 2 || p.cursor[0] != '\\' || p.cursor[1] != 'u')
            return Fail(p, "expected low surrogate");
        p.cursor += 2;
        uint32_t low;
        if (!JsonParseHex4(p, low))
            return false;
        if (low < 0xDC00 || low > 0xDFFF)
            return Fail(p, "bad low surrogate");
        AppendUtf8(s, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        return true;
    }
    AppendUtf8(s, unit);
    return true;
}

// Bytes that end a run of plain string content.
bool IsStringStop(unsigned char c)
{
    return c == '"' || c == '\\' || c < 0x20;
}

bool JsonParseString(JsonParser& p, std::string& out)
{
    if (AtEnd(p) || *p.cursor != '"')
        return Fail(p, "expected string");
    ++p.cursor;

    // Most strings hold no escape: take them straight from the input, in a
    // buffer of exactly their size.
    const char* run = p.cursor;
    while (p.cursor != p.end && !IsStringStop(static_cast<unsigned char>(*p.cursor)))
        ++p.cursor;
    if (AtEnd(p))
        return Fail(p, "unterminated string");
    if (*p.cursor == '"') {
        out = std::string(run, p.cursor);
        ++p.cursor;
        return true;
    }

    std::string& s = p.unescaped;
    s.assign(run, p.cursor);
    for (;;) {
        if (AtEnd(p))
            return Fail(p, "unterminated string");
        const unsigned char c = static_cast<unsigned char>(*p.cursor++);
        if (c == '"')
            break;
        if (c < 0x20)
            return Fail(p, "unescaped control character in string");
        if (c != '\\') {
            s.push_back(static_cast<char>(c));
            continue;
        }
        if (AtEnd(p))
            return Fail(p, "truncated escape");
        switch (*p.cursor++) {
        case '"': s.push_back('"'); break;
        case '\\': s.push_back('\\'); break;
        case '/': s.push_back('/'); break;
        case 'b': s.push_back('\b'); break;
        case 'f': s.push_back('\f'); break;
        case 'n': s.push_back('\n'); break;
        case 'r': s.push_back('\r'); break;
        case 't': s.push_back('\t'); break;
        case 'u':
            if (!ParseUnicodeEscape(p, s))
                return false;
            break;
        default: return Fail(p, "invalid escape character");
        }
    }
    out = std::string(s.data(), s.size());
    return true;
}

// A well-formed number token that converts out of range is either too big
// (infinite) or too small (zero). Which one follows from the decimal
// exponent of its first significant digit; the token's mantissa is not all
// zeros, or it would have converted.
bool TokenOverflows(const char* first, const char* last)
{
    const char* c = first;
    if (*c == '-')
        ++c;
    int64_t lead = 0;  // the power of ten of the first significant digit
    if (*c != '0') {
        while (c != last && IsDigit(*c)) {
            ++lead;
            ++c;
        }
        --lead;
    } else {
        ++c;
        if (c != last && *c == '.') {
            ++c;
            lead = -1;
            while (c != last && *c == '0') {
                --lead;
                ++c;
            }
        }
    }
    while (c != last && *c != 'e' && *c != 'E')
        ++c;
    int64_t exponent = 0;
    if (c != last) {
        ++c;
        bool negative = false;
        if (*c == '+' || *c == '-')
            negative = *c++ == '-';
        // Saturates far beyond any double's range: only the sign matters.
        for (; c != last; ++c)
            if (exponent < 1000000000)
                exponent = exponent * 10 + (*c - '0');
        if (negative)
            exponent = -exponent;
    }
    return lead + exponent > 0;
}

bool JsonParseNumber(JsonParser& p, JsonValue& out)
{
    const char* first = p.cursor;
    if (*p.cursor == '-')
        ++p.cursor;
    if (AtEnd(p) || !IsDigit(*p.cursor))
        return Fail(p, "invalid number");
    if (*p.cursor == '0') {
        ++p.cursor;
        if (!AtEnd(p) && IsDigit(*p.cursor))
            return Fail(p, "invalid number");
    } else {
        while (!AtEnd(p) && IsDigit(*p.cursor))
            ++p.cursor;
    }
    if (!AtEnd(p) && *p.cursor == '.') {
        ++p.cursor;
        if (AtEnd(p) || !IsDigit(*p.cursor))
            return Fail(p, "invalid number");
        while (!AtEnd(p) && IsDigit(*p.cursor))
            ++p.cursor;
    }
    if (!AtEnd(p) && (*p.cursor == 'e' || *p.cursor == 'E')) {
        ++p.cursor;
        if (!AtEnd(p) && (*p.cursor == '+' || *p.cursor == '-'))
            ++p.cursor;
        if (AtEnd(p) || !IsDigit(*p.cursor))
            return Fail(p, "invalid number");
        while (!AtEnd(p) && IsDigit(*p.cursor))
            ++p.cursor;
    }

    // from_chars reads the token in place, with '.' as the decimal point
    // whatever the process locale, and rounds correctly.
    double number = 0.0;
    const std::from_chars_result result = std::from_chars(first, p.cursor, number);
    if (result.ptr != p.cursor)
        return Fail(p, "malformed number");
    if (result.ec == std::errc::result_out_of_range) {
        if (TokenOverflows(first, p.cursor))
            return Fail(p, "non-finite number");
        number = *first == '-' ? -0.0 : 0.0;
    } else if (result.ec != std::errc()) {
        return Fail(p, "malformed number");
    }
    if (!std::isfinite(number))
        return Fail(p, "non-finite number");
    out.kind = JsonNumber;
    out.number = number;
    return true;
}

bool JsonParseArray(JsonParser& p, JsonValue& out)
{
    out.kind = JsonArray;
    ++p.cursor;
    SkipWhitespace(p);
    if (!AtEnd(p) && *p.cursor == ']') {
        ++p.cursor;
        return true;
    }
    const size_t base = p.pendingItems.size();
    for (;;) {
        // Read into a local: the nested containers of the element push onto
        // the same stack and may move its storage.
        JsonValue element;
        if (!JsonParseValueGuarded(p, element))
            return false;
        p.pendingItems.push_back(std::move(element));
        SkipWhitespace(p);
        if (AtEnd(p))
            return Fail(p, "unterminated array");
        const char c = *p.cursor++;
        if (c == ']')
            break;
        if (c != ',')
            return Fail(p, "expected ',' or ']' in array");
        SkipWhitespace(p);
    }
    const auto first = p.pendingItems.begin() + static_cast<std::ptrdiff_t>(base);
    out.items.assign(std::make_move_iterator(first), std::make_move_iterator(p.pendingItems.end()));
    p.pendingItems.erase(first, p.pendingItems.end());
    return true;
}

bool JsonParseObject(JsonParser& p, JsonValue& out)
{
    out.kind = JsonObject;
    ++p.cursor;
    SkipWhitespace(p);
    if (!AtEnd(p) && *p.cursor == '}') {
        ++p.cursor;
        return true;
    }
    const size_t base = p.pendingMembers.size();
    for (;;) {
        SkipWhitespace(p);
        JsonMember member;
        if (!JsonParseString(p, member.key))
            return false;
        SkipWhitespace(p);
        if (AtEnd(p) || *p.cursor != ':')
            return Fail(p, "expected ':' in object");
        ++p.cursor;
        if (!JsonParseValueGuarded(p, member.value))
            return false;
        p.pendingMembers.push_back(std::move(member));
        SkipWhitespace(p);
        if (AtEnd(p))
            return Fail(p, "unterminated object");
        const char c = *p.cursor++;
        if (c == '}')
            break;
        if (c != ',')
            return Fail(p, "expected ',' or '}' in object");
    }
    const auto first = p.pendingMembers.begin() + static_cast<std::ptrdiff_t>(base);
    out.members.assign(std::make_move_iterator(first), std::make_move_iterator(p.pendingMembers.end()));
    p.pendingMembers.erase(first, p.pendingMembers.end());
    return true;
}

// A literal is matched as a prefix; whoever reads on judges the byte after
// it.
bool MatchLiteral(JsonParser& p, const char* literal)
{
    const size_t length = std::strlen(literal);
    if (Remaining(p) < length || std::memcmp(p.cursor, literal, length) != 0)
        return Fail(p, "invalid literal");
    p.cursor += length;
    return true;
}

bool JsonParseValue(JsonParser& p, JsonValue& out)
{
    SkipWhitespace(p);
    if (AtEnd(p))
        return Fail(p, "unexpected end of input");
    const char c = *p.cursor;
    switch (c) {
    case '"':
        out.kind = JsonString;
        return JsonParseString(p, out.string);
    case '[': return JsonParseArray(p, out);
    case '{': return JsonParseObject(p, out);
    case 't':
        if (!MatchLiteral(p, "true"))
            return false;
        out.kind = JsonBool;
        out.boolean = true;
        return true;
    case 'f':
        if (!MatchLiteral(p, "false"))
            return false;
        out.kind = JsonBool;
        return true;
    case 'n':
        if (!MatchLiteral(p, "null"))
            return false;
        out.kind = JsonNull;
        return true;
    default:
        if (c == '-' || IsDigit(c))
            return JsonParseNumber(p, out);
        return Fail(p, "unexpected character");
    }
}

// The entry for every value (not for object keys): it bounds the recursion
// and the size of the tree before anything is read.
bool JsonParseValueGuarded(JsonParser& p, JsonValue& out)
{
    if (p.depth + 1 > JsonMaxDepth)
        return Fail(p, "JSON nested too deep");
    if (++p.count > JsonMaxValues)
        return Fail(p, "JSON too large");
    ++p.depth;
    const bool ok = JsonParseValue(p, out);
    --p.depth;
    return ok;
}

}  // namespace

bool ParseJson(std::string_view text, JsonValue& out, std::string& err)
{
    out = JsonValue();
    JsonParser p;
    p.cursor = text.data();
    p.end = text.data() + text.size();
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0)
        p.cursor += 3;

    if (!JsonParseValueGuarded(p, out)) {
        err = p.error.empty() ? "parse error" : p.error;
        return false;
    }
    SkipWhitespace(p);
    if (!AtEnd(p)) {
        err = "unexpected trailing content after JSON value";
        return false;
    }
    return true;
}

const JsonValue* JsonFindMember(const JsonValue& value, std::string_view key)
{
    if (value.kind != JsonObject)
        return nullptr;
    for (const JsonMember& member : value.members)
        if (member.key == key)
            return &member.value;
    return nullptr;
}

std::string JsonGetString(const JsonValue& value, std::string_view key)
{
    const JsonValue* member = JsonFindMember(value, key);
    if (member == nullptr || member->kind != JsonString)
        return std::string();
    return member->string;
}

const JsonValue* JsonCardList(const JsonValue& value)
{
    if (value.kind == JsonArray)
        return &value;
    const JsonValue* data = JsonFindMember(value, "data");
    if (data != nullptr && data->kind == JsonArray)
        return data;
    return nullptr;
}
