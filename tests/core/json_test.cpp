#include "core/json.h"
#include "tests/core/json_canonical.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

std::string Nested(int depth, const std::string& innermost)
{
    return std::string(static_cast<size_t>(depth), '[') + innermost + std::string(static_cast<size_t>(depth), ']');
}

std::string ZeroArray(size_t count)
{
    std::string text = "[0";
    for (size_t i = 1; i < count; ++i)
        text += ",0";
    return text + "]";
}

// The error text, or "" when the text parses.
std::string ParseError(const std::string& text)
{
    JsonValue value;
    std::string error;
    return ParseJson(text, value, error) ? "" : error;
}

}  // namespace

TEST(JsonLimits, DepthOf200PassesAnd201Fails)
{
    EXPECT_EQ(ParseError(Nested(200, "")), "");
    EXPECT_EQ(ParseError(Nested(201, "")), "JSON nested too deep");
    // A scalar inside 200 arrays stands at depth 201.
    EXPECT_EQ(ParseError(Nested(199, "1")), "");
    EXPECT_EQ(ParseError(Nested(200, "1")), "JSON nested too deep");
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
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(ZeroArray(1999999), value, error)) << error;
    EXPECT_EQ(value.items.size(), 1999999u);
    EXPECT_EQ(ParseError(ZeroArray(2000000)), "JSON too large");
    // Member values count; keys do not.
    std::string objects = "[{\"k\":0}";
    for (int i = 1; i < 999999; ++i)
        objects += ",{\"k\":0}";
    EXPECT_EQ(ParseError(objects + ",0]"), "");
    EXPECT_EQ(ParseError(objects + ",0,{\"k\":0}]"), "JSON too large");
}

TEST(JsonStrings, SurrogatesZerosAndEscapesAfterLongRunsSurvive)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"\ud83d\ude00":"x\ud83c\udccfy","a\u0000b":"x\u0000"})", value, error)) << error;
    ASSERT_EQ(value.members.size(), 2u);
    EXPECT_EQ(value.members[0].key, "\xF0\x9F\x98\x80");
    EXPECT_EQ(value.members[0].value.string, "x\xF0\x9F\x83\x8Fy");
    EXPECT_EQ(value.members[1].value.string, std::string("x\0", 2));
    // The key is matched with its zero, not cut at it.
    EXPECT_NE(JsonFindMember(value, std::string("a\0b", 3)), nullptr);
    EXPECT_EQ(JsonFindMember(value, "a"), nullptr);

    const std::string plain(100000, 'p');
    ASSERT_TRUE(ParseJson("[\"" + plain + "\\n" + plain + "\",\"c\"]", value, error)) << error;
    EXPECT_EQ(CanonicalJson(value), "[\"" + plain + "\\u000a" + plain + "\",\"c\"]");
    EXPECT_TRUE(value.members.empty()) << "a reused output keeps only the new document";
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
    for (const char* text : {R"({"cards":[]})", R"({"data":{"id":"c"}})", R"({"data":"[]"})", "\"data\"", "42"})
        EXPECT_EQ(list(text), "null") << text;
}
