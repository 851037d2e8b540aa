#include "core/json.h"
#include "tests/core/json_canonical.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

bool Parses(const std::string& text)
{
    JsonValue value;
    std::string error;
    return ParseJson(text, value, error);
}

}  // namespace

TEST(JsonLimits, DepthAndValueCountStopExactlyAtTheLimit)
{
    const auto nested = [](int depth, const char* inner) {
        return std::string(static_cast<size_t>(depth), '[') + inner + std::string(static_cast<size_t>(depth), ']');
    };
    EXPECT_TRUE(Parses(nested(200, "")));
    EXPECT_FALSE(Parses(nested(201, "")));
    // A scalar inside 200 arrays stands at depth 201.
    EXPECT_TRUE(Parses(nested(199, "1")));
    EXPECT_FALSE(Parses(nested(200, "1")));
    EXPECT_FALSE(Parses(std::string(10000000, '[')));
    // The array itself is one of the two million values.
    std::string zeros = "[0";
    for (int i = 1; i < 1999999; ++i)
        zeros += ",0";
    EXPECT_TRUE(Parses(zeros + "]"));
    EXPECT_FALSE(Parses(zeros + ",0]"));
}

TEST(JsonStrings, SurrogatesZerosAndEscapesAfterLongRunsSurvive)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"\ud83d\ude00":"x\ud83c\udccfy","a\u0000b":"x\u0000"})", value, error)) << error;
    EXPECT_EQ(CanonicalJson(value), std::string("{\"\xF0\x9F\x98\x80\":\"x\xF0\x9F\x83\x8Fy\",\"a\\u0000b\":\"x\\u0000\"}"));
    // The key is matched with its zero, not cut at it.
    EXPECT_NE(JsonFindMember(value, std::string("a\0b", 3)), nullptr);
    EXPECT_EQ(JsonFindMember(value, "a"), nullptr);

    const std::string plain(100000, 'p');
    ASSERT_TRUE(ParseJson("[\"" + plain + "\\n" + plain + "\",\"c\"]", value, error)) << error;
    EXPECT_EQ(CanonicalJson(value), "[\"" + plain + "\\u000a" + plain + "\",\"c\"]");
}

TEST(JsonNumbers, ConvertWithAFullStopWhateverTheLocale)
{
    if (std::setlocale(LC_ALL, "German_Germany.1252") == nullptr && std::setlocale(LC_ALL, "de-DE") == nullptr)
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
        const JsonValue* entries = ParseJson(text, value, error) ? JsonCardList(value) : nullptr;
        return entries == nullptr ? "null" : CanonicalJson(*entries);
    };
    EXPECT_EQ(list(R"([{"id":"a"}])"), R"([{"id":"a"}])");
    EXPECT_EQ(list(R"({"page":1,"data":[{"id":"b"}],"data":[]})"), R"([{"id":"b"}])");
    for (const char* text : {R"({"cards":[]})", R"({"data":{"id":"c"}})", R"({"data":"[]"})", "42"})
        EXPECT_EQ(list(text), "null") << text;
}
