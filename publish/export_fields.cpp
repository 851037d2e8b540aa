#include "publish/export_fields.h"

#include "core/text.h"

#include <cstdio>

std::string FormatPrice(double price)
{
    char text[64];
    snprintf(text, sizeof text, "%.2f", price);
    return text;
}

std::string GuardSpreadsheetFormula(std::string_view text)
{
    std::string out;
    if (!text.empty()) {
        switch (text.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            out.reserve(text.size() + 1);
            out += '\'';
            break;
        default:
            break;
        }
    }
    out += text;
    return out;
}

namespace {

// The text between double quotes, each of its own quotes doubled.
std::string Quoted(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace

std::string CsvField(std::string_view text)
{
    std::string guarded = GuardSpreadsheetFormula(text);
    if (guarded.find_first_of(",\"\r\n") == std::string::npos)
        return guarded;
    return Quoted(guarded);
}

std::string TsvField(std::string_view text)
{
    std::string flat(text);
    for (char& c : flat) {
        if (c == '\t' || c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    std::string guarded = GuardSpreadsheetFormula(flat);
    if (!guarded.empty() && guarded.front() == '"')
        return Quoted(guarded);
    return guarded;
}
