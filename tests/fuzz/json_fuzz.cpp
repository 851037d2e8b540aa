// libFuzzer target for the JSON reader, built natively with clang and the
// address and undefined-behaviour sanitizers (scripts/fuzz-json.sh). Every
// input must parse or fail with one of the reader's own error texts without
// a crash, leak or hang; a tree that parses must hold together.
#include "core/json.h"
#include "tests/core/json_canonical.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void Broken(const char* what)
{
    std::fprintf(stderr, "JSON reader invariant broken: %s\n", what);
    std::abort();
}

void Check(bool ok, const char* what)
{
    if (!ok)
        Broken(what);
}

bool IsKnownError(const std::string& error)
{
    static const char* const known[] = {
        "unexpected end of input",
        "unexpected character",
        "invalid literal",
        "invalid number",
        "malformed number",
        "non-finite number",
        "expected string",
        "unterminated string",
        "unescaped control character in string",
        "truncated escape",
        "invalid escape character",
        "truncated \\u escape",
        "bad hex digit in \\u escape",
        "expected low surrogate",
        "bad low surrogate",
        "unexpected low surrogate",
        "unterminated array",
        "expected ',' or ']' in array",
        "expected ':' in object",
        "unterminated object",
        "expected ',' or '}' in object",
        "JSON nested too deep",
        "JSON too large",
        "unexpected trailing content after JSON value",
    };
    for (const char* text : known)
        if (error == text)
            return true;
    return false;
}

// Walks the tree in document order: checks each node's kind and that only
// its own field is filled, and collects every key and string value.
void CheckNode(const JsonValue& v, int depth, int64_t& values, std::vector<const std::string*>& strings)
{
    Check(depth <= JsonMaxDepth, "a value deeper than the limit");
    Check(++values <= JsonMaxValues, "more values than the limit");
    Check(v.kind <= JsonObject, "unknown kind");
    Check(v.kind == JsonBool || !v.boolean, "boolean set on another kind");
    Check(v.kind == JsonNumber || v.number == 0.0, "number set on another kind");
    Check(v.kind == JsonString || v.string.empty(), "string set on another kind");
    Check(v.kind == JsonArray || v.items.empty(), "items on another kind");
    Check(v.kind == JsonObject || v.members.empty(), "members on another kind");
    if (v.kind == JsonNumber)
        Check(std::isfinite(v.number), "a number that is not finite");
    if (v.kind == JsonString)
        strings.push_back(&v.string);
    for (const JsonValue& item : v.items)
        CheckNode(item, depth + 1, values, strings);
    for (const JsonMember& member : v.members) {
        strings.push_back(&member.key);
        CheckNode(member.value, depth + 1, values, strings);
    }
}

// Without a backslash in the document every key and string value is the
// raw bytes between a pair of quotation marks, so the quoted runs of the
// text, in order, must be exactly the strings of the tree in order.
void CheckStringsAgainstText(std::string_view text, const std::vector<const std::string*>& strings)
{
    size_t next = 0;
    size_t at = 0;
    for (;;) {
        const size_t open = text.find('"', at);
        if (open == std::string_view::npos)
            break;
        const size_t close = text.find('"', open + 1);
        Check(close != std::string_view::npos, "a string without its closing mark parsed");
        Check(next < strings.size(), "a string of the text is missing from the tree");
        Check(text.substr(open + 1, close - open - 1) == *strings[next], "string bytes or order differ");
        ++next;
        at = close + 1;
    }
    Check(next == strings.size(), "the tree holds a string the text does not");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonValue value;
    std::string error;
    if (!ParseJson(text, value, error)) {
        Check(IsKnownError(error), "an error text that is not one of the reader's own");
        return 0;
    }
    Check(error.empty(), "an error text on success");

    int64_t values = 0;
    std::vector<const std::string*> strings;
    CheckNode(value, 1, values, strings);
    if (text.find('\\') == std::string_view::npos)
        CheckStringsAgainstText(text, strings);

    // Written out and read again, the tree must come back the same: what
    // was unescaped survives escaping, and nothing moves.
    const std::string written = CanonicalJson(value);
    JsonValue again;
    Check(ParseJson(written, again, error), "the tree written out does not parse");
    Check(CanonicalJson(again) == written, "the tree does not survive writing and reading");
    return 0;
}
