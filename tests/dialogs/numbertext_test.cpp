// The editors' text <-> number conversions under both decimal separators.
#include "dialogs/numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct IntegerCase {
    const char* Name;
    const char* Text;
    std::optional<std::int32_t> Expected;
};

TEST(ParseInteger, ReadsTheToolkitsIntegerText) {
    const IntegerCase cases[] = {
        {"plain decimal", "22", 22},
        {"leading blanks", "   22", 22},
        {"plus sign", "+5", 5},
        {"minus sign", "-1", -1},
        {"dollar hexadecimal", "$1F", 31},
        {"0x hexadecimal, any case", "0x1f", 31},
        {"0X hexadecimal", "0X10", 16},
        {"signed hexadecimal", "-$10", -16},
        {"single zero", "0", 0},
        {"largest", "2147483647", 2147483647},
        {"smallest", "-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"empty", "", std::nullopt},
        {"blanks only", "   ", std::nullopt},
        {"sign only", "-", std::nullopt},
        {"dollar only", "$", std::nullopt},
        {"0x only", "0x", std::nullopt},
        {"trailing blank", "22 ", std::nullopt},
        {"blank inside", "2 2", std::nullopt},
        {"blank after sign", "- 1", std::nullopt},
        {"letters", "abc", std::nullopt},
        {"decimal fraction", "1.5", std::nullopt},
        {"hex digit in decimal", "1F", std::nullopt},
        {"one beyond the largest", "2147483648", std::nullopt},
        {"one beyond the smallest", "-2147483649", std::nullopt},
        {"hexadecimal beyond 32 bits", "$100000000", std::nullopt},
    };
    for (const IntegerCase& c : cases)
        EXPECT_EQ(ParseInteger(c.Text), c.Expected) << c.Name << ": '" << c.Text << "'";
}

struct ScanCase {
    const char* Name;
    const char* Text;
    std::optional<float> Expected;
};

TEST(ScanFloat, ReadsTheLongestLeadingNumberLikeScanf) {
    const ScanCase cases[] = {
        {"exponent form", "2.5E-6", 2.5e-6f},
        {"trailing letters ignored", "1e-3xyz", 0.001f},
        {"leading white space and sign", " \t-1.5", -1.5f},
        {"shown default", "1.00E-04", 1.0e-4f},
        {"point without fraction", "5.", 5.0f},
        {"fraction without integer", ".5", 0.5f},
        {"plus sign and exponent", "+.5e1", 5.0f},
        {"exponent without digits ignored", "1e", 1.0f},
        {"exponent sign without digits ignored", "1e+x", 1.0f},
        {"comma ends the number", "1,5", 1.0f},
        {"second point ends the number", "1.2.3", 1.2f},
        {"no number", "abc", std::nullopt},
        {"empty", "", std::nullopt},
        {"point only", ".", std::nullopt},
        {"sign only", "-", std::nullopt},
        {"below single precision", "1e-999", 0.0f},
        {"below single precision after many fraction zeros",
         "0.000000000000000000000000000000000000000000000000000000000001e10", 0.0f},
        {"below single precision after many whole zeros",
         "000000000000000000000000000000000000000000000000000000000000000000001e-60", 0.0f},
    };
    for (const ScanCase& c : cases)
        EXPECT_EQ(ScanFloat(c.Text), c.Expected) << c.Name << ": '" << c.Text << "'";

    for (const char* text : {"1e999", "0.001e50", "-123456789e40"}) {
        const std::optional<float> huge = ScanFloat(text);
        ASSERT_TRUE(huge.has_value()) << text;
        EXPECT_TRUE(std::isinf(*huge)) << text;
    }
}

TEST(ConfigurationTexts, ShowMerPlainAndBerWithTwoDecimalsAndAFullStop) {
    EXPECT_EQ(MerText(22), "22");
    EXPECT_EQ(MerText(0), "0");
    EXPECT_EQ(MerText(65535), "65535");

    // The defaults as single precision holds them: just below 1.0E-04 and 1.0E-05.
    EXPECT_EQ(BerText(9.99999975e-05f), "1.00E-04");
    EXPECT_EQ(BerText(9.99999975e-06f), "1.00E-05");
    EXPECT_EQ(BerText(2.5e-6f), "2.50E-06");
    EXPECT_EQ(BerText(0.00123456f), "1.23E-03");
    EXPECT_EQ(BerText(1.5e-10f), "1.50E-10");
    EXPECT_EQ(BerText(1.0f), "1.00E+00");
    EXPECT_EQ(BerText(0.0f), "0.00E+00");
}

TEST(ConfigurationTexts, MerTakesWholeDecibelsTheUnitCanHold) {
    EXPECT_EQ(MerFromText("22").Value, std::optional<std::uint16_t>(22));
    EXPECT_EQ(MerFromText("65535").Value, std::optional<std::uint16_t>(65535));
    EXPECT_EQ(MerFromText("$FFFF").Value, std::optional<std::uint16_t>(65535));
    EXPECT_EQ(MerFromText("0").Value, std::optional<std::uint16_t>(0));

    const Conversion<std::uint16_t> letters = MerFromText("abc");
    EXPECT_FALSE(letters);
    EXPECT_EQ(letters.Error, "'abc' is not a valid integer value");
    EXPECT_EQ(MerFromText("").Error, "'' is not a valid integer value");
    EXPECT_EQ(MerFromText("-1").Error, "'-1' is out of range (allowed: 0 to 65535 dB)");
    EXPECT_EQ(MerFromText("65536").Error, "'65536' is out of range (allowed: 0 to 65535 dB)");
    EXPECT_FALSE(MerFromText("65536"));
}

TEST(ConfigurationTexts, BerReadsTheLeadingNumberAndRejectsTextWithoutOne) {
    EXPECT_EQ(BerFromText("1e-3xyz").Value, std::optional<float>(0.001f));
    EXPECT_EQ(BerFromText("2.5E-6").Value, std::optional<float>(2.5e-6f));
    EXPECT_EQ(BerFromText("1").Value, std::optional<float>(1.0f));
    EXPECT_EQ(BerFromText("0").Value, std::optional<float>(0.0f));

    EXPECT_EQ(BerFromText("xyz").Error, "'xyz' is not a valid floating point value");
    EXPECT_EQ(BerFromText("").Error, "'' is not a valid floating point value");
    EXPECT_EQ(BerFromText("-1e-5").Error, "'-1e-5' is out of range (allowed: 0 to 42.94967295)");
    EXPECT_EQ(BerFromText("43").Error, "'43' is out of range (allowed: 0 to 42.94967295)");
    EXPECT_FALSE(BerFromText("1e999"));
}

// The unit and the PRO file hold a BER threshold as a 32-bit count of 1e-8, so every value
// up to 4294967295e-8 arrives from them and must be accepted back.
TEST(ConfigurationTexts, BerTakesEveryValueTheThirtyTwoBitCountCarries) {
    EXPECT_EQ(BerFromText("2").Value, std::optional<float>(2.0f));
    EXPECT_EQ(BerFromText("2.00E+00").Value, std::optional<float>(2.0f));
    EXPECT_EQ(BerFromText("4.29E+01").Value, std::optional<float>(42.9f));
    EXPECT_EQ(BerFromText("42.94967295").Value, std::optional<float>(42.94967295f));
    EXPECT_EQ(BerFromText("42.95").Error, "'42.95' is out of range (allowed: 0 to 42.94967295)");
}

// Reading stops at the first character that does not belong to a number; a comma followed by
// a digit there is a decimal comma, which would silently cut the value.
TEST(ConfigurationTexts, BerRefusesADecimalCommaAndNamesTheFullStop) {
    EXPECT_EQ(BerFromText("2,5E-6").Error, "'2,5E-6' is not a valid floating point value: use a "
                                           "full stop as the decimal separator.");
    EXPECT_EQ(BerFromText("0,001").Error, "'0,001' is not a valid floating point value: use a "
                                          "full stop as the decimal separator.");
    EXPECT_EQ(BerFromText("1.5e-3,2").Error, "'1.5e-3,2' is not a valid floating point value: "
                                             "use a full stop as the decimal separator.");
    // A comma followed by something else is trailing text, ignored as any other.
    EXPECT_EQ(BerFromText("2, 5").Value, std::optional<float>(2.0f));
    EXPECT_EQ(BerFromText("1e-3,").Value, std::optional<float>(0.001f));
}

TEST(PointTexts, FrequencyShowsOneRoundedDecimalWithTheLocalesSeparator) {
    EXPECT_EQ(FrequencyText(650000, '.'), "650.0");
    EXPECT_EQ(FrequencyText(650000, ','), "650,0");
    EXPECT_EQ(FrequencyText(1234567, '.'), "1234.6");
    EXPECT_EQ(FrequencyText(650049, '.'), "650.0");
    EXPECT_EQ(FrequencyText(650050, ','), "650,1");
    EXPECT_EQ(FrequencyText(999999, '.'), "1000.0");
    EXPECT_EQ(FrequencyText(0, '.'), "0.0");
    // Seven whole digits leave no room for a significant decimal.
    EXPECT_EQ(FrequencyText(4294967295u, '.'), "4294967.0");
}

// Rounded to one decimal, the highest frequencies the unit holds would show as 4295.0 MHz,
// which is beyond what the editor takes: those show their whole kHz instead.
TEST(PointTexts, FrequencyTextOfTheHighestFrequenciesReadsBackUnchanged) {
    EXPECT_EQ(FrequencyText(4294949, '.'), "4294.9");
    EXPECT_EQ(FrequencyText(4294950, '.'), "4294.950");
    EXPECT_EQ(FrequencyText(4294951, '.'), "4294.951");
    EXPECT_EQ(FrequencyText(4294967, ','), "4294,967");
    for (std::uint32_t kHz = 4294900; kHz <= MaxFrequencyKHz; ++kHz) {
        for (const char separator : {'.', ','}) {
            const Conversion<std::uint32_t> back =
                FrequencyKHzFromText(FrequencyText(kHz, separator), separator);
            ASSERT_TRUE(back) << kHz << ": " << back.Error;
            EXPECT_EQ(*back.Value, kHz >= 4294950 ? kHz : (kHz + 50) / 100 * 100) << kHz;
        }
    }
}

TEST(PointTexts, PowerShowsDbmFromTheStoredOffsetValue) {
    EXPECT_EQ(PowerText(60), "-47");
    EXPECT_EQ(PowerText(70), "-37");
    EXPECT_EQ(PowerText(0), "-107");
    EXPECT_EQ(PowerText(255), "148");
    EXPECT_EQ(PowerText(107), "0");
}

TEST(PointTexts, CommaLocaleTakesFullStopsInFrequenciesAndCutsPowersAtThem) {
    EXPECT_EQ(NormalizeFrequencyText("650.5", ','), "650,5");
    EXPECT_EQ(NormalizeFrequencyText("1.2.3", ','), "1,2,3");
    EXPECT_EQ(NormalizeFrequencyText("650.5", '.'), "650.5");
    EXPECT_EQ(NormalizeFrequencyText("650,5", '.'), "650,5");

    EXPECT_EQ(NormalizePowerText("-47.5", ','), "-47");
    EXPECT_EQ(NormalizePowerText("-47,5", ','), "-47,5");
    EXPECT_EQ(NormalizePowerText(".5", ','), "");
    EXPECT_EQ(NormalizePowerText("-47.5", '.'), "-47.5");
}

struct FrequencyCase {
    const char* Name;
    const char* Text; // as typed
    char Separator;
    std::optional<std::uint32_t> ExpectedKHz;
};

TEST(PointTexts, FrequencyReadsMegahertzIntoWholeKilohertz) {
    const FrequencyCase cases[] = {
        {"fraction of a kHz dropped", "1234.5678", '.', 1234567},
        {"same under a comma locale", "1234,5678", ',', 1234567},
        {"full stop under a comma locale", "650.5", ',', 650500},
        {"comma under a comma locale", "650,5", ',', 650500},
        {"whole MHz", "650", '.', 650000},
        {"blanks around", " 650.0 ", '.', 650000},
        {"exponent", "6.5E2", '.', 650000},
        {"signed exponent", "6.5e+2", '.', 650000},
        {"fraction only", ".5", '.', 500},
        {"point without fraction", "5.", '.', 5000},
        {"one kHz", "0.001", '.', 1},
        {"below one kHz", "0.0009999", '.', 0},
        {"negative below one kHz truncates to zero", "-0.0001", '.', 0},
        {"highest whose Hz fit 32 bits", "4294.967", '.', 4294967},
        {"comma under a full-stop locale", "650,5", '.', std::nullopt},
        {"empty", "", '.', std::nullopt},
        {"letters", "abc", '.', std::nullopt},
        {"exponent without digits", "650E", '.', std::nullopt},
        {"trailing letters", "650MHz", '.', std::nullopt},
        {"two separators", "650,5,1", ',', std::nullopt},
    };
    for (const FrequencyCase& c : cases) {
        const std::string text = NormalizeFrequencyText(c.Text, c.Separator);
        EXPECT_EQ(FrequencyKHzFromText(text, c.Separator).Value, c.ExpectedKHz)
            << c.Name << ": '" << c.Text << "'";
    }
}

TEST(PointTexts, FrequencyErrorsNameTheTextAndTheRange) {
    EXPECT_EQ(FrequencyKHzFromText("650,5", '.').Error,
              "'650,5' is not a valid floating point value");
    EXPECT_EQ(FrequencyKHzFromText("", ',').Error, "'' is not a valid floating point value");
    EXPECT_EQ(FrequencyKHzFromText("4294.968", '.').Error,
              "'4294.968' is out of range (allowed: 0 to 4294.967 MHz)");
    EXPECT_EQ(FrequencyKHzFromText("-1", ',').Error,
              "'-1' is out of range (allowed: 0 to 4294,967 MHz)");
    EXPECT_FALSE(FrequencyKHzFromText("1e99999", '.'));
    EXPECT_FALSE(FrequencyKHzFromText("12345678901234567890", '.'));
}

struct PowerCase {
    const char* Name;
    const char* Text; // as typed
    char Separator;
    std::optional<std::uint16_t> ExpectedStored;
};

TEST(PointTexts, PowerReadsWholeDbmIntoTheStoredOffsetValue) {
    const PowerCase cases[] = {
        {"default alarm", "-47", '.', 60},
        {"default warning", "-37", ',', 70},
        {"lowest", "-107", '.', 0},
        {"highest", "148", '.', 255},
        {"cut at the full stop under a comma locale", "-47.5", ',', 60},
        {"comma under a comma locale", "-47,5", ',', std::nullopt},
        {"full stop under a full-stop locale", "-47.5", '.', std::nullopt},
        {"nothing before the full stop", ".5", ',', std::nullopt},
        {"hexadecimal", "$10", '.', 123},
    };
    for (const PowerCase& c : cases) {
        const std::string text = NormalizePowerText(c.Text, c.Separator);
        EXPECT_EQ(PowerFromText(text).Value, c.ExpectedStored) << c.Name << ": '" << c.Text << "'";
    }
}

TEST(PointTexts, PowerErrorsNameTheTextAndTheRange) {
    EXPECT_EQ(PowerFromText("-47,5").Error, "'-47,5' is not a valid integer value");
    EXPECT_EQ(PowerFromText("-120").Error, "'-120' is out of range (allowed: -107 to 148 dBm)");
    EXPECT_EQ(PowerFromText("-108").Error, "'-108' is out of range (allowed: -107 to 148 dBm)");
    EXPECT_EQ(PowerFromText("149").Error, "'149' is out of range (allowed: -107 to 148 dBm)");
}

} // namespace
