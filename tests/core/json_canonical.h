// One fixed JSON text for a parsed tree, so tests can state a whole
// expected result in one line and the fuzz target can parse its output
// again: compact, members in stored order, '"', '\' and bytes below 0x20
// escaped, every other byte as it is, numbers in their shortest exact form.
// No Windows header: the native fuzz target uses it too.
#pragma once

#include "core/json.h"

#include <charconv>
#include <cmath>
#include <string>

inline void AppendCanonicalString(std::string& out, const std::string& s)
{
    static const char hex[] = "0123456789abcdef";
    out.push_back('"');
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20) {
            out += "\\u00";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
}

inline void AppendCanonicalJson(std::string& out, const JsonValue& v)
{
    switch (v.kind) {
    case JsonNull: out += "null"; break;
    case JsonBool: out += v.boolean ? "true" : "false"; break;
    case JsonNumber: {
        char digits[64];
        const auto result = std::to_chars(digits, digits + sizeof digits, v.number);
        out.append(digits, result.ptr);
        break;
    }
    case JsonString: AppendCanonicalString(out, v.string); break;
    case JsonArray:
        out.push_back('[');
        for (size_t i = 0; i < v.items.size(); ++i) {
            if (i > 0)
                out.push_back(',');
            AppendCanonicalJson(out, v.items[i]);
        }
        out.push_back(']');
        break;
    case JsonObject:
        out.push_back('{');
        for (size_t i = 0; i < v.members.size(); ++i) {
            if (i > 0)
                out.push_back(',');
            AppendCanonicalString(out, v.members[i].key);
            out.push_back(':');
            AppendCanonicalJson(out, v.members[i].value);
        }
        out.push_back('}');
        break;
    default: out += "<bad kind>"; break;
    }
}

inline std::string CanonicalJson(const JsonValue& v)
{
    std::string out;
    AppendCanonicalJson(out, v);
    return out;
}
