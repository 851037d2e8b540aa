// Documents the reader must accept (with the exact tree) or refuse.
#include "core/json.h"
#include "tests/core/json_canonical.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace std::string_view_literals;

namespace {

struct ConformanceCase {
    const char* name;
    std::string_view input;
    const char* result;  // canonical form of the tree; null when refused
};

const ConformanceCase cases[] = {
    {"y_array_nested_mixed", R"([null,true,false,"",[],{}])", R"([null,true,false,"",[],{}])"},
    {"n_empty_text", "", nullptr},
    {"n_array_unterminated", "[1", nullptr},
    {"n_object_unterminated", R"({"a":1)", nullptr},
    {"n_trailing_zero_byte", "[]\0"sv, nullptr},
    {"y_number_negative_zero_and_decimals", "[-0,0.1,-2.5]", "[-0,0.1,-2.5]"},
    {"y_number_rounds_up_to_smallest_subnormal", "2.4703282292062328e-324", "5e-324"},
    {"y_number_rounds_down_to_zero", "2.4703282292062327e-324", "0"},
    {"y_number_rounds_down_to_largest_double", "1.7976931348623158e308", "1.7976931348623157e+308"},
    {"n_number_overflow_just_past_max", "1.7976931348623159e308", nullptr},
    {"y_string_simple_escapes", R"(["\"\\\/\b\f\n\r\t"])", R"(["\"\\/\u0008\u000c\u000a\u000d\u0009"])"},
    {"y_string_u_escape_three_bytes", R"(["\u20AC\uFFFF"])", "[\"\xE2\x82\xAC\xEF\xBF\xBF\"]"},
    {"y_string_raw_high_bytes_unvalidated", "[\"\xC3\xA9\xFF\x80\x7F\"]", "[\"\xC3\xA9\xFF\x80\x7F\"]"},
    {"n_string_unterminated", R"(["abc)", nullptr},
    {"n_string_raw_zero_byte", "[\"a\0b\"]"sv, nullptr},
    {"n_string_invalid_escape", R"(["\q"])", nullptr},
    {"n_string_truncated_u_escape", R"(["\u12)", nullptr},
    {"y_string_last_code_point", R"(["\udbff\udfff"])", "[\"\xF4\x8F\xBF\xBF\"]"},
    {"n_surrogate_high_then_plain_unit", R"(["\ud83d\u0041"])", nullptr},
    {"n_surrogate_lone_low", R"(["\ude00"])", nullptr},
    {"y_bom_then_value", "\xEF\xBB\xBF{}", "{}"},
};

class JsonConformance : public ::testing::TestWithParam<ConformanceCase> {};

TEST_P(JsonConformance, GivesTheExactResultOrFails)
{
    const ConformanceCase& c = GetParam();
    JsonValue value;
    std::string error;
    const bool ok = ParseJson(c.input, value, error);
    if (c.result == nullptr) {
        EXPECT_FALSE(ok) << CanonicalJson(value);
        EXPECT_FALSE(error.empty());
    } else {
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(CanonicalJson(value), c.result);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, JsonConformance, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<ConformanceCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
