#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "values/number_format.h"

namespace tess {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct DigitCase {
  double x;
  bool fixed;
  int count;
  const char* expected;
};

TEST(DigitString, WritesWhatTheClassicRuntimeWrites) {
  const DigitCase cases[] = {
      // Exponents of at least three digits, sign always present.
      {1e6, false, 7, "1.000000e+006"},
      {1.5e-320, false, 2, "1.5e-320"},
      {1e100, false, 1, "1e+100"},
      {-1234.5, false, 3, "-1.23e+003"},
      {0.00012345, false, 2, "1.2e-004"},
      // Zero of either sign is +0.
      {0.0, true, 2, "0.00"},
      {-0.0, true, 0, "0"},
      {-0.0, false, 3, "0.00e+000"},
      // Halves round up, not to even.
      {2.5, true, 0, "3"},
      {0.125, true, 2, "0.13"},
      {1000000.5, false, 7, "1.000001e+006"},
      {0.006, true, 2, "0.01"},
      // A non-zero negative value keeps its sign even when it rounds to 0.
      {-0.001, true, 2, "-0.00"},
      // Carries that add a digit.
      {9.9999, true, 2, "10.00"},
      {99.96, false, 3, "1.00e+002"},
      // Seventeen significant digits, then zeros.
      {0.1, true, 20, "0.10000000000000001000"},
      {1.2345678901234568e+23, true, 0, "123456789012345690000000"},
      {1.0 / 3, false, 20, "3.3333333333333331000e-001"},
      // Counts out of range.
      {1.5, true, -3, "2"},
      {1.5, false, 0, "2e+000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DigitString(c.x, c.fixed, c.count), c.expected)
        << c.x << (c.fixed ? " fixed " : " exponent ") << c.count;
  }
}

// The seventeen digits are the correctly rounded ones the C library writes;
// only the exponent is widened to three digits.
TEST(DigitString, SeventeenDigitsMatchTheCLibrary) {
  uint64_t bits = 0x0123456789ABCDEFull;
  for (int i = 0; i < 20000; ++i) {
    bits = bits * 6364136223846793005ull + 1442695040888963407ull;
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x) || x == 0) continue;
    char text[40];
    std::snprintf(text, sizeof text, "%.16e", x);
    std::string expected = text;
    const size_t sign = expected.find('e') + 2;
    if (expected.size() - sign == 2) expected.insert(sign, "0");
    ASSERT_EQ(DigitString(x, false, 17), expected) << i;
  }
}

TEST(DigitString, HugeCountsPadWithZeros) {
  const std::string fixed = DigitString(1.0 / 3, true, 10000);
  ASSERT_EQ(fixed.size(), 10002u);
  EXPECT_EQ(fixed.substr(0, 19), "0.33333333333333331");
  EXPECT_EQ(fixed.find_first_not_of('0', 19), std::string::npos);

  const std::string exponent = DigitString(-2.0 / 3, false, 10000);
  ASSERT_EQ(exponent.size(), 1u + 10000u + 1u + 5u);
  EXPECT_EQ(exponent.substr(0, 19), "-6.6666666666666663");
  EXPECT_EQ(exponent.substr(exponent.size() - 5), "e-001");

  const std::string largest = DigitString(std::numeric_limits<double>::max(), true, 2);
  EXPECT_EQ(largest.size(), 309u + 3u);
  EXPECT_EQ(largest.substr(0, 17), "17976931348623157");

  EXPECT_EQ(DigitString(std::numeric_limits<double>::denorm_min(), true, 400),
            "0." + std::string(323, '0') + "49406564584124654" + std::string(60, '0'));
}

TEST(DigitString, NonFiniteValues) {
  EXPECT_EQ(DigitString(kNaN, true, 2), "NAN");
  EXPECT_EQ(DigitString(kInf, false, 7), "INF");
  EXPECT_EQ(DigitString(-kInf, true, 0), "-INF");
}

TEST(FormatPlain, SevenSignificantDigitsAndTheExponentRange) {
  const struct {
    double x;
    const char* expected;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1e-320, "9.999889e-321"},
      {1000000.0, "1000000"},
      {-1000000.0, "-1000000"},
      {1000000.5, "1.000001e+006"},
      {0.5, "0.5"},
      {123.456, "123.456"},
      {1234567.0, "1.234567e+006"},
      {-1234567.0, "-1.234567e+006"},
      {0.00001, "0.00001"},
      {0.000001, "1.000000e-006"},
      {-2.5, "-2.5"},
      {1.0 / 3, "0.3333333"},
      {2.0 / 3, "0.6666667"},
      {100.0, "100"},
      {123456.75, "123456.8"},
      {999999.99, "1000000"},
      {1e300, "1.000000e+300"},
      {kNaN, "NAN"},
      {kInf, "INF"},
      {-kInf, "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatPlain(c.x), c.expected) << c.x;
}

struct PictureCase {
  double x;
  const char* picture;
  const char* expected;
};

void ExpectPictures(std::initializer_list<PictureCase> cases, std::string_view decimal = ".",
                    std::string_view thousands = ",") {
  for (const auto& c : cases) {
    EXPECT_EQ(FormatPicture(c.x, c.picture, decimal, thousands), c.expected)
        << c.x << " '" << c.picture << "'";
  }
}

TEST(FormatPicture, SignsComeOnlyFromThePicture) {
  ExpectPictures({
      {-5, "#", "5"},
      {-5, "-#", "-5"},
      {5, "-#", "5"},
      {5, "+#", "+5"},
      {-5, "+#", "-5"},
      {0, "+#", "0"},
      {-5, "(#)", "(5)"},
  });
}

TEST(FormatPicture, SectionsForPositiveNegativeAndZero) {
  ExpectPictures({
      {5, "#;(#);\\z\\e\\r\\o", "5"},
      {-5, "#;(#);\\z\\e\\r\\o", "(5)"},
      {0, "#;(#);\\z\\e\\r\\o", "zero"},
      // Unquoted letters drop out, but an "e" still asks for exponent form.
      {0, "#;(#);zero", "e+000"},
      {0, "#;(#)", "0"},
      {-3.14159, "0.00;-0.00", "-3.14"},
      {-5, "#;", ""},
      // A quoted ";" does not separate sections.
      {-5, "#\\;#", ";5"},
  });
}

TEST(FormatPicture, IntegerPlacesAndGrouping) {
  ExpectPictures({
      {1234567, "#,##0", "1,234,567"},
      {1234567, "0000", "1234567"},
      {5, "000", "005"},
      {5, "0,000", "0,005"},
      {5, "#,##0", "5"},
      {12, "#,##0", "12"},
      {123456, "#,##0", "123,456"},
      {1234, "#,#", "1,234"},
      {1e20, "#,##0", "100,000,000,000,000,000,000"},
      {2.5, "#", "3"},
      {0.5, "#.##", "0.5"},
      {5, "#.##", "5."},
  });
  ExpectPictures({{1234567, "#,##0", "1.234.567"}, {1234567.891, "#,##0.00", "1.234.567,89"}}, ",",
                 ".");
  // Separators of more than one byte (as a UTF-8 code page would give).
  ExpectPictures({{1234567.5, "#,##0.0",
                   "1\xE2\x80\xAF"
                   "234\xE2\x80\xAF"
                   "567\xC2\xB7"
                   "5"}},
                 "\xC2\xB7", "\xE2\x80\xAF");
}

TEST(FormatPicture, DecimalPlaces) {
  ExpectPictures({
      {1234.5, "#,##0.00", "1,234.50"},
      {999.999, "#,##0.00", "1,000.00"},
      {0.125, "0.00", "0.13"},
      {1.005, "0.00", "1.00"},
      {3.1, "0.###", "3.1"},
      {1.5, "0.0.0", "1.50"},
      {0, "0.00", "0.00"},
  });
}

TEST(FormatPicture, PercentScalesByAHundred) {
  ExpectPictures({
      {0.256, "0%", "26%"},
      {0.5, "#.#%", "50.%"},
      {-0.0123, "-0.0%", "-1.2%"},
  });
}

TEST(FormatPicture, ExponentForms) {
  ExpectPictures({
      {1234.5, "Scientific", "1.234500E+003"},
      {-0.00012345, "SCIENTIFIC", "-1.234500E-004"},
      {0, "scientific", "0.000000E+000"},
      // "E+": sign always; "E-": only a negative exponent's; letter last: as
      // the conversion wrote it.
      {1234.5, "0.00E+00", "1.23E+003"},
      {0.0012345, "0.00E+00", "1.23E-003"},
      {1234.5, "0.00E-00", "1.23E003"},
      {0.0012345, "0.00E-00", "1.23E-003"},
      {1234.5, "0.00e", "1.23e+003"},
      {0.0012345, "0.00e", "1.23e-003"},
      {1234.5, "#E+", "1E+003"},
      {9.99, "0.0E+", "1.0E+001"},
      {1.5e-320, "0.0E+", "1.5E-320"},
      {1234.5, "0.#####E+", "1.2345E+003"},
  });
}

TEST(FormatPicture, LiteralsNeedABackslash) {
  ExpectPictures({
      {5, "\\$#", "$5"},
      {5, "$#", "5"},
      {5, "USD #", "5"},
      {5, "\xE2\x82\xAC#", "5"},
      {5, "#\\", "5"},
      {5, "\\\\#", "\\5"},
  });
}

TEST(FormatPicture, HostilePicturesStayBounded) {
  const std::string manyDecimals = "0." + std::string(10000, '0');
  const std::string third = FormatPicture(1.0 / 3, manyDecimals, ".", ",");
  ASSERT_EQ(third.size(), 10002u);
  EXPECT_EQ(third.substr(0, 19), "0.33333333333333331");
  EXPECT_EQ(third.find_first_not_of('0', 19), std::string::npos);

  const std::string tiny = FormatPicture(std::numeric_limits<double>::denorm_min(),
                                         "0." + std::string(400, '#'), ".", ",");
  EXPECT_EQ(tiny, "0." + std::string(323, '0') + "49406564584124654");

  const std::string manyIntegers(10000, '0');
  EXPECT_EQ(FormatPicture(5, manyIntegers, ".", ","), std::string(9999, '0') + "5");
  EXPECT_EQ(FormatPicture(5, "0.00000000000000000000E+", ".", ","), "5.00000000000000000000E+000");

  EXPECT_EQ(FormatPicture(kNaN, "#,##0.00", ".", ","), "NAN");
  EXPECT_EQ(FormatPicture(-kInf, "#;(#)", ".", ","), "-INF");
  EXPECT_EQ(FormatPicture(1e307, "0%", ".", ","), "INF");
  EXPECT_EQ(FormatPicture(5, "", ".", ","), "");
}

}  // namespace
}  // namespace tess
