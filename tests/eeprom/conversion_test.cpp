// The hexadecimal conversion the write command applies to "0x" + an edit's text.

#include <gtest/gtest.h>

#include "platform/convert.h"
#include "platform/errors.h"

namespace {

struct ConversionCase {
    const char* name;
    std::string text; // what the operator typed
    bool converts;
    std::uint32_t value;
};

class HexConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(HexConversionTest, ConvertsExactlyDigitStrings)
{
    const ConversionCase& c = GetParam();
    const std::string input = "0x" + c.text;
    if (c.converts) {
        EXPECT_EQ(platform::HexStrToInt(input), c.value);
        return;
    }
    try {
        platform::HexStrToInt(input);
        FAIL() << "converted " << input;
    } catch (const platform::EConvertError& error) {
        EXPECT_EQ(std::string(error.what()), "'" + input + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexConversionTest,
    ::testing::Values(ConversionCase{"upper", "FF", true, 0xFF},
                      ConversionCase{"lower", "ff", true, 0xFF},
                      ConversionCase{"leading_zero", "0A", true, 0x0A},
                      ConversionCase{"single_digit", "a", true, 0x0A},
                      ConversionCase{"eight_digits", "00000001", true, 1},
                      ConversionCase{"above_a_byte", "100", true, 0x100},
                      ConversionCase{"nine_bits", "1FF", true, 0x1FF},
                      ConversionCase{"largest", "FFFFFFFF", true, 0xFFFFFFFF},
                      ConversionCase{"many_leading_zeros", std::string(5000, '0') + "1", true, 1},
                      ConversionCase{"too_large", "100000000", false, 0},
                      ConversionCase{"far_too_large", std::string(40, 'F'), false, 0},
                      ConversionCase{"leading_blank", " 5", false, 0},
                      ConversionCase{"trailing_blank", "5 ", false, 0},
                      ConversionCase{"inner_blank", "1 2", false, 0},
                      ConversionCase{"minus", "-1", false, 0},
                      ConversionCase{"plus", "+1", false, 0},
                      ConversionCase{"dollar", "$5", false, 0},
                      ConversionCase{"second_prefix", "0x5", false, 0},
                      ConversionCase{"x_alone", "x5", false, 0},
                      ConversionCase{"letter_g", "G", false, 0},
                      ConversionCase{"empty", "", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntToHex, PadsToTheGivenDigitsAndNeverCuts)
{
    EXPECT_EQ(platform::IntToHex(0, 2), "00");
    EXPECT_EQ(platform::IntToHex(10, 2), "0A");
    EXPECT_EQ(platform::IntToHex(0x101, 4), "0101");
    EXPECT_EQ(platform::IntToHex(0x10000, 4), "10000");
    EXPECT_EQ(platform::IntToHex(0xFFFFFFFF, 4), "FFFFFFFF");
}

} // namespace
