#include "core/json.h"
#include "tests/core/json_canonical.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

// Every allocation of this test program is counted, so a test can see
// whether a parse left anything behind once its tree is gone.
namespace {
std::atomic<long long> liveAllocations{0};
}

void* operator new(size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    ++liveAllocations;
    return block;
}

void operator delete(void* block) noexcept
{
    if (block == nullptr)
        return;
    --liveAllocations;
    std::free(block);
}

void operator delete(void* block, size_t) noexcept
{
    ::operator delete(block);
}

namespace {

std::string Nested(int depth, const std::string& innermost)
{
    return std::string(static_cast<size_t>(depth), '[') + innermost + std::string(static_cast<size_t>(depth), ']');
}

// An array holding count zeros.
std::string ZeroArray(size_t count)
{
    std::string text;
    text.reserve(count * 2 + 2);
    text.push_back('[');
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            text.push_back(',');
        text.push_back('0');
    }
    text.push_back(']');
    return text;
}

// The error text, or "" when the text parses.
std::string ParseError(const std::string& text)
{
    JsonValue value;
    std::string error;
    if (ParseJson(text, value, error))
        return "";
    return error;
}

}  // namespace

TEST(JsonLimits, DepthOf200PassesAnd201Fails)
{
    EXPECT_EQ(ParseError(Nested(200, "")), "");
    EXPECT_EQ(ParseError(Nested(201, "")), "JSON nested too deep");
    // A scalar inside 200 arrays stands at depth 201.
    EXPECT_EQ(ParseError(Nested(199, "1")), "");
    EXPECT_EQ(ParseError(Nested(200, "1")), "JSON nested too deep");

    // Objects count the same, and the limit holds long before the end of a
    // document far deeper than any stack could take.
    std::string objects;
    for (int i = 0; i < 199; ++i)
        objects += "{\"k\":";
    EXPECT_EQ(ParseError(objects + "0" + std::string(199, '}')), "");
    EXPECT_EQ(ParseError(objects + "[0]" + std::string(199, '}')), "JSON nested too deep");
    EXPECT_EQ(ParseError(std::string(10000000, '[')), "JSON nested too deep");
}

TEST(JsonLimits, TwoMillionValuesPassAndOneMoreFails)
{
    // The array itself is one of the values.
    {
        JsonValue value;
        std::string error;
        ASSERT_TRUE(ParseJson(ZeroArray(1999999), value, error)) << error;
        EXPECT_EQ(value.items.size(), 1999999u);
    }
    EXPECT_EQ(ParseError(ZeroArray(2000000)), "JSON too large");
    // Member values count; keys do not: the array, 999,999 objects and
    // their members make 1,999,999 values.
    std::string objects = "[";
    for (int i = 0; i < 999999; ++i)
        objects += i == 0 ? "{\"k\":0}" : ",{\"k\":0}";
    EXPECT_EQ(ParseError(objects + ",0]"), "");
    EXPECT_EQ(ParseError(objects + ",0,{\"k\":0}]"), "JSON too large");
}

TEST(JsonStrings, SurrogatePairsBecomeOneFourByteCharacter)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"\ud83d\ude00":"x\ud83c\udccfy"})", value, error)) << error;
    ASSERT_EQ(value.members.size(), 1u);
    EXPECT_EQ(value.members[0].key, "\xF0\x9F\x98\x80");
    EXPECT_EQ(value.members[0].value.string, "x\xF0\x9F\x83\x8Fy");
}

TEST(JsonStrings, EscapedZeroIsKeptInsideTheText)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"a\u0000b":"\u0000","c":"x\u0000"})", value, error)) << error;
    ASSERT_EQ(value.members.size(), 2u);
    EXPECT_EQ(value.members[0].key, std::string("a\0b", 3));
    EXPECT_EQ(value.members[0].value.string, std::string("\0", 1));
    EXPECT_EQ(value.members[1].value.string, std::string("x\0", 2));
    // The key is matched with its zero, not cut at it.
    EXPECT_NE(JsonFindMember(value, std::string("a\0b", 3)), nullptr);
    EXPECT_EQ(JsonFindMember(value, "a"), nullptr);
}

TEST(JsonStrings, LongTextsAndEscapesAfterPlainRuns)
{
    const std::string plain(100000, 'p');
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson("[\"" + plain + "\",\"" + plain + "\\n" + plain + "\"]", value, error)) << error;
    ASSERT_EQ(value.items.size(), 2u);
    EXPECT_EQ(value.items[0].string, plain);
    EXPECT_EQ(value.items[1].string, plain + "\n" + plain);
    // A string with escapes does not leak into the next one.
    ASSERT_TRUE(ParseJson(R"(["a\tb","c"])", value, error)) << error;
    EXPECT_EQ(CanonicalJson(value), R"(["a\u0009b","c"])");
}

TEST(JsonNumbers, ConvertWithAFullStopWhateverTheLocale)
{
    const char* german = std::setlocale(LC_ALL, "German_Germany.1252");
    if (german == nullptr)
        german = std::setlocale(LC_ALL, "de-DE");
    if (german == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma here";
    JsonValue value;
    std::string error;
    const bool ok = ParseJson("[0.5,1.25e2,-3.75]", value, error);
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(CanonicalJson(value), "[0.5,125,-3.75]");
}

TEST(JsonNumbers, SignOfZeroAndExactValues)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson("[-0,0,-1e-400,1e-400,0.1,4.35,-151]", value, error)) << error;
    ASSERT_EQ(value.items.size(), 7u);
    EXPECT_TRUE(std::signbit(value.items[0].number));
    EXPECT_FALSE(std::signbit(value.items[1].number));
    EXPECT_TRUE(std::signbit(value.items[2].number));
    EXPECT_EQ(value.items[3].number, 0.0);
    EXPECT_EQ(value.items[4].number, 0.1);
    EXPECT_EQ(value.items[5].number, 4.35);
    EXPECT_EQ(value.items[6].number, -151.0);
    for (const JsonValue& item : value.items)
        EXPECT_EQ(item.kind, JsonNumber);
}

TEST(JsonTree, OnlyTheFieldOfTheKindIsFilled)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"([true,2,"s",[null],{"k":false}])", value, error)) << error;
    const auto othersEmpty = [](const JsonValue& v) {
        return (v.kind == JsonBool || !v.boolean) && (v.kind == JsonNumber || v.number == 0.0) &&
               (v.kind == JsonString || v.string.empty()) && (v.kind == JsonArray || v.items.empty()) &&
               (v.kind == JsonObject || v.members.empty());
    };
    ASSERT_EQ(value.items.size(), 5u);
    const uint32_t kinds[] = {JsonBool, JsonNumber, JsonString, JsonArray, JsonObject};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(value.items[i].kind, kinds[i]);
        EXPECT_TRUE(othersEmpty(value.items[i])) << i;
    }
    EXPECT_TRUE(othersEmpty(value));
    EXPECT_EQ(value.items[3].items[0].kind, JsonNull);
}

TEST(JsonTree, AFailedParseFreesWhatItBuilt)
{
    const std::string broken[] = {
        // Fails deep inside nested containers with pending siblings.
        R"([{"a":[1,2,{"b":"long enough to need its own block of memory"}],"c":[[[[1,2,tru]]]]}])",
        R"({"k":[1,2,3],"k2":{"x":"\ud83d"}})",
        Nested(150, R"({"a":[1,2,3]},)") + "[[",
        ZeroArray(1000) + "x",
    };
    {
        // The count does see the parser's blocks.
        const long long before = liveAllocations.load();
        JsonValue value;
        std::string error;
        ASSERT_TRUE(ParseJson(R"([[1],{"a":[2]}])", value, error)) << error;
        EXPECT_GT(liveAllocations.load(), before);
    }
    for (const std::string& text : broken) {
        const long long before = liveAllocations.load();
        {
            JsonValue value;
            std::string error;
            EXPECT_FALSE(ParseJson(text, value, error));
        }
        EXPECT_EQ(liveAllocations.load(), before) << text.substr(0, 60);
    }
}

TEST(JsonTree, ReusedOutputHoldsOnlyTheNewDocument)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"a":[1,2,3],"b":"x"})", value, error)) << error;
    ASSERT_TRUE(ParseJson("[4]", value, error)) << error;
    EXPECT_EQ(CanonicalJson(value), "[4]");
    EXPECT_TRUE(value.members.empty());
}

TEST(JsonAccessors, FindMemberTakesTheFirstExactKey)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"id":"first","ID":"upper","id":"second","idx":"longer","n":5})", value, error))
        << error;
    ASSERT_EQ(value.members.size(), 5u);
    EXPECT_EQ(value.members[2].value.string, "second");
    EXPECT_EQ(JsonGetString(value, "id"), "first");
    EXPECT_EQ(JsonGetString(value, "ID"), "upper");
    EXPECT_EQ(JsonGetString(value, "i"), "");
    EXPECT_EQ(JsonGetString(value, "n"), "");  // a number is not converted
    EXPECT_EQ(JsonGetString(value, "missing"), "");
    ASSERT_NE(JsonFindMember(value, "n"), nullptr);
    EXPECT_EQ(JsonFindMember(value, "n")->number, 5.0);

    // Not an object: nothing is found.
    JsonValue array;
    ASSERT_TRUE(ParseJson(R"([{"id":"x"}])", array, error)) << error;
    EXPECT_EQ(JsonFindMember(array, "id"), nullptr);
    EXPECT_EQ(JsonGetString(array, "id"), "");
}

TEST(JsonAccessors, CardListIsTheArrayOrItsDataMember)
{
    const auto list = [](const std::string& text) -> std::string {
        JsonValue value;
        std::string error;
        if (!ParseJson(text, value, error))
            return "parse failed: " + error;
        const JsonValue* entries = JsonCardList(value);
        return entries == nullptr ? "null" : CanonicalJson(*entries);
    };
    EXPECT_EQ(list(R"([{"id":"a"}])"), R"([{"id":"a"}])");
    EXPECT_EQ(list(R"({"page":1,"data":[{"id":"b"}],"data":[]})"), R"([{"id":"b"}])");
    EXPECT_EQ(list(R"({"cards":[]})"), "null");
    EXPECT_EQ(list(R"({"data":{"id":"c"}})"), "null");
    EXPECT_EQ(list(R"({"data":"[]"})"), "null");
    EXPECT_EQ(list("\"data\""), "null");
    EXPECT_EQ(list("42"), "null");
    EXPECT_EQ(list("null"), "null");
}

TEST(JsonAccessors, ReadsACardDocumentAsDownloaded)
{
    // The shape of a per-set card file: pretty-printed, a mark in front,
    // nested attacks and images, non-ASCII names.
    const std::string document =
        "\xEF\xBB\xBF[\r\n  {\r\n    \"id\": \"base1-4\",\r\n    \"name\": \"Charizard\",\r\n"
        "    \"supertype\": \"Pok\xC3\xA9mon\",\r\n    \"hp\": \"120\",\r\n"
        "    \"attacks\": [\r\n      {\r\n        \"name\": \"Fire Spin\",\r\n"
        "        \"cost\": [\"Fire\", \"Fire\", \"Fire\", \"Fire\"],\r\n"
        "        \"convertedEnergyCost\": 4,\r\n        \"damage\": \"100\"\r\n      }\r\n    ],\r\n"
        "    \"number\": \"4\",\r\n    \"rarity\": \"Rare Holo\",\r\n"
        "    \"images\": {\r\n      \"small\": \"https://example.test/base1/4.png\",\r\n"
        "      \"large\": \"https://example.test/base1/4_hires.png\"\r\n    }\r\n  },\r\n"
        "  {\r\n    \"id\": \"base1-5\",\r\n    \"name\": \"Clefairy\",\r\n    \"number\": 5\r\n  }\r\n]\r\n";
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(document, value, error)) << error;
    const JsonValue* cards = JsonCardList(value);
    ASSERT_NE(cards, nullptr);
    ASSERT_EQ(cards->items.size(), 2u);
    const JsonValue& charizard = cards->items[0];
    EXPECT_EQ(JsonGetString(charizard, "id"), "base1-4");
    EXPECT_EQ(JsonGetString(charizard, "supertype"), "Pok\xC3\xA9mon");
    const JsonValue* images = JsonFindMember(charizard, "images");
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(JsonGetString(*images, "large"), "https://example.test/base1/4_hires.png");
    const JsonValue* attacks = JsonFindMember(charizard, "attacks");
    ASSERT_NE(attacks, nullptr);
    ASSERT_EQ(attacks->items.size(), 1u);
    EXPECT_EQ(JsonFindMember(attacks->items[0], "cost")->items.size(), 4u);
    EXPECT_EQ(JsonGetString(cards->items[1], "number"), "");
}
