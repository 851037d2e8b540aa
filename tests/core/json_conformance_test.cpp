// Documents the reader must accept (y_, with the exact tree) and refuse
// (n_, with the exact error).
#include "core/json.h"
#include "tests/core/json_canonical.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

using namespace std::string_view_literals;

namespace {

struct ConformanceCase {
    const char* name;
    std::string_view input;
    const char* result;  // canonical form of the tree, for y_ cases
    const char* error;   // the error text, for n_ cases
};

void PrintTo(const ConformanceCase& c, std::ostream* out) { *out << c.name; }

ConformanceCase Accept(const char* name, std::string_view input, const char* result) { return {name, input, result, nullptr}; }
ConformanceCase Refuse(const char* name, std::string_view input, const char* error) { return {name, input, nullptr, error}; }

const ConformanceCase cases[] = {
    Accept("y_array_nested_mixed", R"([null,true,false,"",[],{}])", R"([null,true,false,"",[],{}])"),
    Accept("y_object_duplicate_keys_kept", R"({"a":1,"a":2})", R"({"a":1,"a":2})"),
    Refuse("n_empty_text", "", "unexpected end of input"),
    Refuse("n_array_unterminated", "[1", "unterminated array"),
    Refuse("n_array_trailing_comma", "[1,]", "unexpected character"),
    Refuse("n_object_unterminated", R"({"a":1)", "unterminated object"),
    Refuse("n_trailing_zero_byte", "[]\0"sv, "unexpected trailing content after JSON value"),
    Accept("y_number_negative_zero", "-0", "-0"),
    Accept("y_number_decimal_exact", "[0.1,-2.5,123]", "[0.1,-2.5,123]"),
    Accept("y_number_rounds_up_to_smallest_subnormal", "2.4703282292062328e-324", "5e-324"),
    Accept("y_number_rounds_down_to_zero", "2.4703282292062327e-324", "0"),
    Accept("y_number_rounds_down_to_largest_double", "1.7976931348623158e308", "1.7976931348623157e+308"),
    Refuse("n_number_leading_zero", "01", "invalid number"),
    Refuse("n_number_overflow_just_past_max", "1.7976931348623159e308", "non-finite number"),
    Accept("y_string_simple_escapes", R"(["\"\\\/\b\f\n\r\t"])", R"(["\"\\/\u0008\u000c\u000a\u000d\u0009"])"),
    Accept("y_string_u_escape_three_bytes", R"(["\u20AC\uFFFF"])", "[\"\xE2\x82\xAC\xEF\xBF\xBF\"]"),
    Accept("y_string_u_escape_zero", R"(["a\u0000b"])", R"(["a\u0000b"])"),
    Accept("y_string_raw_high_bytes_unvalidated", "[\"\xC3\xA9\xFF\x80\x7F\"]", "[\"\xC3\xA9\xFF\x80\x7F\"]"),
    Refuse("n_string_unterminated", R"(["abc)", "unterminated string"),
    Refuse("n_string_raw_zero_byte", "[\"a\0b\"]"sv, "unescaped control character in string"),
    Refuse("n_string_invalid_escape", R"(["\q"])", "invalid escape character"),
    Refuse("n_string_truncated_u_escape", R"(["\u12)", "truncated \\u escape"),
    Accept("y_string_last_code_point", R"(["\udbff\udfff"])", "[\"\xF4\x8F\xBF\xBF\"]"),
    Refuse("n_surrogate_high_then_quote", R"(["\ud83d"])", "expected low surrogate"),
    Refuse("n_surrogate_high_then_plain_unit", R"(["\ud83d\u0041"])", "bad low surrogate"),
    Refuse("n_surrogate_lone_low", R"(["\ude00"])", "unexpected low surrogate"),
    Accept("y_bom_then_value", "\xEF\xBB\xBF{}", "{}"),
    Refuse("n_bom_only", "\xEF\xBB\xBF", "unexpected end of input"),
};

class JsonConformance : public ::testing::TestWithParam<ConformanceCase> {};

TEST_P(JsonConformance, GivesTheExactResultOrError)
{
    const ConformanceCase& c = GetParam();
    JsonValue value;
    std::string error;
    const bool ok = ParseJson(c.input, value, error);
    if (c.result != nullptr) {
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(CanonicalJson(value), c.result);
        EXPECT_TRUE(error.empty());
    } else {
        ASSERT_FALSE(ok) << CanonicalJson(value);
        EXPECT_EQ(error, c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, JsonConformance, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<ConformanceCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
