// A strict JSON reader for the documents of the card-data repository: one
// UTF-8 document becomes a tree of JsonValue, or one short English error.
// The input comes from the internet, so nesting depth and the number of
// values are bounded and no input can exhaust the stack or memory.
// Pure functions of their arguments; safe on any thread. No Windows header,
// so the same source also builds natively (the fuzz target).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum JsonKind : uint32_t {
    JsonNull = 0,
    JsonBool = 1,
    JsonNumber = 2,
    JsonString = 3,
    JsonArray = 4,
    JsonObject = 5,
};

constexpr int JsonMaxDepth = 200;
constexpr int64_t JsonMaxValues = 2000000;

struct JsonMember;

// Only the field that belongs to the kind is filled; the others stay empty.
// A value owns its children, which are moved into it, never copied.
struct JsonValue {
    uint32_t kind = JsonNull;
    bool boolean = false;
    double number = 0.0;
    std::string string;  // UTF-8, unescaped; may hold zero bytes
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;  // document order, duplicates kept
};

struct JsonMember {
    std::string key;  // UTF-8, unescaped
    JsonValue value;
};

// The whole text is one document; a leading UTF-8 byte-order mark is
// skipped. On failure err holds the first error's text and out may hold a
// partly built tree; err is untouched on success.
bool ParseJson(std::string_view text, JsonValue& out, std::string& err);

// The value of the first member whose key equals key byte for byte; null
// when value is not an object or has no such member.
const JsonValue* JsonFindMember(const JsonValue& value, std::string_view key);

// That member's text when it exists and is a string; otherwise empty.
// Numbers are not converted.
std::string JsonGetString(const JsonValue& value, std::string_view key);

// The list of entries of a card or set document: the document itself when
// it is an array, else its first member "data" when that is an array, else
// null.
const JsonValue* JsonCardList(const JsonValue& value);
