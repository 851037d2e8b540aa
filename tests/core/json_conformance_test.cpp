// Documents the reader must accept (y_, with the exact tree it must build)
// and refuse (n_, with the exact error it must give), in the manner of the
// public JSON test suites.
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

// CTest lists each case by its name; the bytes of the struct say nothing.
void PrintTo(const ConformanceCase& c, std::ostream* out)
{
    *out << c.name;
}

ConformanceCase Accept(const char* name, std::string_view input, const char* result)
{
    return {name, input, result, nullptr};
}

ConformanceCase Refuse(const char* name, std::string_view input, const char* error)
{
    return {name, input, nullptr, error};
}

const ConformanceCase cases[] = {
    // Structure and whitespace.
    Accept("y_object_empty_in_all_whitespace", " \t\r\n{} \t\r\n", "{}"),
    Accept("y_array_empty", "[]", "[]"),
    Accept("y_array_nested_mixed", R"([null,true,false,"",[],{}])", R"([null,true,false,"",[],{}])"),
    Accept("y_object_members_in_order", R"({"b":1,"a":2,"c":3})", R"({"b":1,"a":2,"c":3})"),
    Accept("y_object_duplicate_keys_kept", R"({"a":1,"a":2})", R"({"a":1,"a":2})"),
    Accept("y_object_empty_key", R"({"":0})", R"({"":0})"),
    Accept("y_scalar_top_level", "  \"x\"  ", R"("x")"),
    Refuse("n_empty_text", "", "unexpected end of input"),
    Refuse("n_only_whitespace", " \t\r\n", "unexpected end of input"),
    Refuse("n_form_feed_is_not_whitespace", "\f[]", "unexpected character"),
    Refuse("n_array_open", "[", "unexpected end of input"),
    Refuse("n_array_unterminated", "[1", "unterminated array"),
    Refuse("n_array_missing_comma", "[1 2]", "expected ',' or ']' in array"),
    Refuse("n_array_trailing_comma", "[1,]", "unexpected character"),
    Refuse("n_array_leading_comma", "[,1]", "unexpected character"),
    Refuse("n_object_open", "{", "expected string"),
    Refuse("n_object_missing_colon", R"({"a" 1})", "expected ':' in object"),
    Refuse("n_object_unterminated", R"({"a":1)", "unterminated object"),
    Refuse("n_object_trailing_comma", R"({"a":1,})", "expected string"),
    Refuse("n_object_missing_comma", R"({"a":1 "b":2})", "expected ',' or '}' in object"),
    Refuse("n_object_unquoted_key", "{a:1}", "expected string"),
    Refuse("n_object_key_not_string", "{1:1}", "expected string"),
    Refuse("n_object_ends_after_key", R"({"a")", "expected ':' in object"),
    Refuse("n_object_ends_after_colon", R"({"a":)", "unexpected end of input"),

    // Trailing content.
    Refuse("n_trailing_garbage", "{} x", "unexpected trailing content after JSON value"),
    Refuse("n_trailing_second_value", "[] []", "unexpected trailing content after JSON value"),
    Refuse("n_trailing_literal_prefix", "nullx", "unexpected trailing content after JSON value"),
    Refuse("n_trailing_after_true", "truex", "unexpected trailing content after JSON value"),
    Refuse("n_literal_prefix_in_array", "[truex]", "expected ',' or ']' in array"),
    Refuse("n_trailing_zero_byte", "[]\0"sv, "unexpected trailing content after JSON value"),

    // Literals.
    Refuse("n_literal_truncated_true", "tru", "invalid literal"),
    Refuse("n_literal_truncated_null", "nul", "invalid literal"),
    Refuse("n_literal_capitalised", "True", "unexpected character"),
    Refuse("n_literal_misspelt_false", "fals3", "invalid literal"),

    // Numbers.
    Accept("y_number_zero", "0", "0"),
    Accept("y_number_negative_zero", "-0", "-0"),
    Accept("y_number_negative_zero_fraction", "-0.0", "-0"),
    Accept("y_number_exponent_capital_plus", "1E+2", "100"),
    Accept("y_number_fraction_exponent", "0.5e-3", "5e-04"),
    Accept("y_number_decimal_exact", "[0.1,-2.5,123]", "[0.1,-2.5,123]"),
    Accept("y_number_largest_double", "1.7976931348623157e308", "1.7976931348623157e+308"),
    Accept("y_number_smallest_subnormal", "5e-324", "5e-324"),
    Accept("y_number_underflow_to_zero", "1e-400", "0"),
    Accept("y_number_rounds_up_to_smallest_subnormal", "2.4703282292062328e-324", "5e-324"),
    Accept("y_number_rounds_down_to_zero", "2.4703282292062327e-324", "0"),
    Accept("y_number_rounds_down_to_largest_double", "1.7976931348623158e308", "1.7976931348623157e+308"),
    Accept("y_number_negative_underflow", "-1e-400", "-0"),
    Accept("y_number_zero_huge_exponent", "0e99999", "0"),
    Accept("y_number_many_digits", "123456789012345678901234567890", "1.2345678901234568e+29"),
    Refuse("n_number_leading_zero", "01", "invalid number"),
    Refuse("n_number_negative_leading_zero", "-01", "invalid number"),
    Refuse("n_number_dot_without_fraction", "1.", "invalid number"),
    Refuse("n_number_exponent_without_digits", "1e", "invalid number"),
    Refuse("n_number_exponent_sign_without_digits", "1e+", "invalid number"),
    Refuse("n_number_lone_minus", "-", "invalid number"),
    Refuse("n_number_minus_space", "- 1", "invalid number"),
    Refuse("n_number_leading_dot", ".5", "unexpected character"),
    Refuse("n_number_leading_plus", "+1", "unexpected character"),
    Refuse("n_number_hex", "0x1", "unexpected trailing content after JSON value"),
    Refuse("n_number_overflow", "1e400", "non-finite number"),
    Refuse("n_number_overflow_negative", "-1e400", "non-finite number"),
    Refuse("n_number_overflow_just_past_max", "1.7976931348623159e308", "non-finite number"),
    Refuse("n_number_overflow_small_mantissa", "0.0001e313", "non-finite number"),
    Refuse("n_number_overflow_in_array", "[1,1e999]", "non-finite number"),
    Refuse("n_number_infinity_word", "Infinity", "unexpected character"),
    Refuse("n_number_nan_word", "NaN", "unexpected character"),

    // Strings and escapes.
    Accept("y_string_simple_escapes", R"(["\"\\\/\b\f\n\r\t"])", R"(["\"\\/\u0008\u000c\u000a\u000d\u0009"])"),
    Accept("y_string_u_escape_two_bytes", R"(["\u00e9"])", "[\"\xC3\xA9\"]"),
    Accept("y_string_u_escape_three_bytes", R"(["\u20AC\uFFFF"])", "[\"\xE2\x82\xAC\xEF\xBF\xBF\"]"),
    Accept("y_string_u_escape_zero", R"(["a\u0000b"])", R"(["a\u0000b"])"),
    Accept("y_string_raw_high_bytes_unvalidated", "[\"\xC3\xA9\xFF\x80\x7F\"]", "[\"\xC3\xA9\xFF\x80\x7F\"]"),
    Accept("y_string_key_with_escapes", R"({"\u0041\n":1})", R"({"A\u000a":1})"),
    Refuse("n_string_unterminated", R"(["abc)", "unterminated string"),
    Refuse("n_string_raw_tab", "[\"a\tb\"]", "unescaped control character in string"),
    Refuse("n_string_raw_newline", "[\"a\nb\"]", "unescaped control character in string"),
    Refuse("n_string_raw_zero_byte", "[\"a\0b\"]"sv, "unescaped control character in string"),
    Refuse("n_string_truncated_escape", R"(["abc\)", "truncated escape"),
    Refuse("n_string_invalid_escape", R"(["\q"])", "invalid escape character"),
    Refuse("n_string_escaped_apostrophe", R"(["\'"])", "invalid escape character"),
    Refuse("n_string_truncated_u_escape", R"(["\u12)", "truncated \\u escape"),
    Refuse("n_string_bad_hex_digit", R"(["\u12G4"])", "bad hex digit in \\u escape"),
    Refuse("n_string_single_quotes", "['a']", "unexpected character"),

    // Surrogates.
    Accept("y_string_surrogate_pair", R"(["\ud83d\ude00"])", "[\"\xF0\x9F\x98\x80\"]"),
    Accept("y_string_surrogate_pair_upper_case", R"(["\uD834\uDD1E"])", "[\"\xF0\x9D\x84\x9E\"]"),
    Accept("y_string_last_code_point", R"(["\udbff\udfff"])", "[\"\xF4\x8F\xBF\xBF\"]"),
    Refuse("n_surrogate_high_then_quote", R"(["\ud83d"])", "expected low surrogate"),
    Refuse("n_surrogate_high_then_text", R"(["\ud83dx"])", "expected low surrogate"),
    Refuse("n_surrogate_high_then_other_escape", R"(["\ud83d\n"])", "expected low surrogate"),
    Refuse("n_surrogate_high_at_end", R"(["\ud83d)", "expected low surrogate"),
    Refuse("n_surrogate_high_then_plain_unit", R"(["\ud83d\u0041"])", "bad low surrogate"),
    Refuse("n_surrogate_high_then_high", R"(["\ud83d\ud83d"])", "bad low surrogate"),
    Refuse("n_surrogate_low_truncated", R"(["\ud83d\ude0)", "truncated \\u escape"),
    Refuse("n_surrogate_low_bad_hex", R"(["\ud83d\udexx"])", "bad hex digit in \\u escape"),
    Refuse("n_surrogate_lone_low", R"(["\ude00"])", "unexpected low surrogate"),

    // The byte-order mark.
    Accept("y_bom_then_value", "\xEF\xBB\xBF{}", "{}"),
    Accept("y_bom_then_whitespace_and_value", "\xEF\xBB\xBF \r\n[1]", "[1]"),
    Refuse("n_bom_only", "\xEF\xBB\xBF", "unexpected end of input"),
    Refuse("n_bom_after_whitespace", " \xEF\xBB\xBF{}", "unexpected character"),
    Refuse("n_bom_twice", "\xEF\xBB\xBF\xEF\xBB\xBF{}", "unexpected character"),
    Refuse("n_bom_partial", "\xEF\xBB{}", "unexpected character"),
    Refuse("n_bom_inside_array", "[\xEF\xBB\xBF]", "unexpected character"),
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
