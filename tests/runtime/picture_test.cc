#include "runtime/picture.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

#include "runtime/clock.h"

namespace {

TEST(Picture, ParsesPictures) {
  using K = vx::Picture::Kind;
  struct Case {
    const char* text;
    K kind;
    int width, decimals;
    bool minus;
  } cases[] = {
      {"@n-14", K::kNumber, 14, 0, true},
      {"@n-15.2", K::kNumber, 15, 2, true},
      {"@n10.2", K::kNumber, 10, 2, false},
      {"@N3", K::kNumber, 3, 0, false},
      {"@s199", K::kText, 199, 0, false},
      {"d2", K::kDate, 10, 0, false},
      {"@d2", K::kDate, 10, 0, false},
      {"t6", K::kTime, 8, 0, false},
      {"@T6", K::kTime, 8, 0, false},
      // Malformed or out of range.
      {"", K::kInvalid, 0, 0, false},
      {"@n", K::kInvalid, 0, 0, false},
      {"@n-", K::kInvalid, 0, 0, false},
      {"@n0", K::kInvalid, 0, 0, false},
      {"@n10.", K::kInvalid, 0, 0, false},
      {"@n10.2x", K::kInvalid, 0, 0, false},
      {"@n65", K::kInvalid, 0, 0, false},
      {"@n10.21", K::kInvalid, 0, 0, false},
      {"@s", K::kInvalid, 0, 0, false},
      {"@s99999999999", K::kInvalid, 0, 0, false},
      {"d3", K::kInvalid, 0, 0, false},
      {"t", K::kInvalid, 0, 0, false},
      {"@x5", K::kInvalid, 0, 0, false},
  };
  for (const Case& c : cases) {
    vx::Picture p = vx::Picture::parse(c.text);
    EXPECT_EQ(p.kind, c.kind) << c.text;
    if (c.kind == K::kInvalid) continue;
    EXPECT_EQ(p.width, c.width) << c.text;
    EXPECT_EQ(p.decimals, c.decimals) << c.text;
    EXPECT_EQ(p.minus, c.minus) << c.text;
  }
}

TEST(Picture, FormatsNumbers) {
  struct Case {
    double value;
    const char* picture;
    const char* shown;
  } cases[] = {
      {1234, "@n-14", "          1234"},
      {-1234, "@n-14", "         -1234"},
      {1234.5, "@n-15.2", "        1234.50"},
      {-0.5, "@n-15.2", "          -0.50"},
      {0.07, "@n10.2", "      0.07"},
      {0, "@n10.2", "      0.00"},
      {2.005, "@n10.2", "      2.01"},  // half away from zero (2.005 is stored just below)
      {2.5, "@n3", "  3"},
      {-2.5, "@n-3", " -3"},
      {-0.004, "@n-6.2", "  0.00"},  // rounds to zero: no sign
      {7, "@n3", "  7"},
      {255, "@n3", "255"},
      // Overflow and what the picture cannot show.
      {1000, "@n3", "###"},
      {-10, "@n-3", "-10"},
      {-100, "@n-3", "###"},
      {-5, "@n3", "###"},                      // no minus in the picture
      {99999999.995, "@n10.2", "##########"},  // rounds up to 11 characters
      {12345678901234.0, "@n-14", "12345678901234"},
      {1e300, "@n-14", "##############"},
      {NAN, "@n5", "#####"},
      {INFINITY, "@n-5", "#####"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vx::format_picture(c.value, c.picture), c.shown) << c.value << " " << c.picture;
  }
}

TEST(Picture, FormatsTextDatesAndTimes) {
  struct Case {
    const char* text;
    const char* picture;
    const char* shown;
  } cases[] = {
      {"Smith", "@s8", "Smith   "},     {"Jonathan Q", "@s8", "Jonathan"}, {"", "@s2", "  "},
      {"12.5", "@n-8.2", "   12.50"},   {"abc", "@n5", "#####"},  // not a number there
      {"3/4/2025", "d2", "03/04/2025"}, {"7:05", "t6", "07:05:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vx::format_picture_text(c.text, c.picture), c.shown) << c.text << " " << c.picture;
  }
  std::int32_t day = vx::date_from_ymd(2024, 2, 29);
  EXPECT_EQ(vx::format_picture(day, "d2"), "02/29/2024");
  EXPECT_EQ(vx::format_picture(vx::clock_from_hms(23, 59, 59, 99), "t6"), "23:59:59");
  EXPECT_EQ(vx::format_picture(0, "d2"), "          ");
  EXPECT_EQ(vx::format_picture(0, "t6"), "        ");
  EXPECT_EQ(vx::format_picture(-3, "d2"), "##########");
  EXPECT_EQ(vx::format_picture(vx::kMaxClock + 1, "t6"), "########");
  EXPECT_EQ(vx::format_picture(1.5, "@s5"), "1.5  ");
  EXPECT_EQ(vx::format_picture(5, "@q"), "");
}

TEST(Picture, ReadsInput) {
  struct Case {
    const char* typed;
    const char* picture;
    bool ok;
    double number;
  } cases[] = {
      {"  42 ", "@n-14", true, 42},
      {"-42", "@n-14", true, -42},
      {"+42", "@n3", true, 42},
      {"", "@n-15.2", true, 0},
      {"12.34", "@n-15.2", true, 12.34},
      {".5", "@n10.2", true, 0.5},
      {"7.", "@n10.2", true, 7},
      {"1.500", "@n10.2", true, 1.5},  // extra decimals that are zeros
      {"007", "@n3", true, 7},         // leading zeros do not count
      {"-0", "@n-3", true, 0},
      {"999", "@n3", true, 999},
      {"-99", "@n-3", true, -99},
      {"1234567.89", "@n10.2", true, 1234567.89},
      // Invalid input.
      {"-42", "@n3", false, 0},   // no minus in the picture
      {"1000", "@n3", false, 0},  // does not fit
      {"-100", "@n-3", false, 0},
      {"12345678.9", "@n10.2", false, 0},
      {"1.234", "@n10.2", false, 0},  // would be rounded away
      {"1.5", "@n3", false, 0},
      {"1,000", "@n-14", false, 0},
      {"12a", "@n-14", false, 0},
      {"1 2", "@n-14", false, 0},
      {"1.2.3", "@n-14.2", false, 0},
      {".", "@n-14.2", false, 0},
      {"-", "@n-14", false, 0},
      {"1e5", "@n-14", false, 0},
      {"12", "@n", false, 0},  // malformed picture
      // Dates and times.
      {"12/31/1999", "d2", true, static_cast<double>(vx::date_from_ymd(1999, 12, 31))},
      {" 1/2/2026 ", "@d2", true, static_cast<double>(vx::date_from_ymd(2026, 1, 2))},
      {"", "d2", true, 0},
      {"2/29/2023", "d2", false, 0},
      {"13/01/2020", "d2", false, 0},
      {"01/01/1800", "d2", false, 0},
      {"1/1/20", "d2", false, 0},
      {"1-1-2020", "d2", false, 0},
      {"13:45:07", "t6", true, static_cast<double>(vx::clock_from_hms(13, 45, 7))},
      {"0:00", "t6", true, 1},
      {"24:00", "t6", false, 0},
      {"12:60", "t6", false, 0},
      {"12", "t6", false, 0},
      {"12:00:00pm", "t6", false, 0},
  };
  for (const Case& c : cases) {
    vx::PictureInput in = vx::parse_picture_input(c.typed, c.picture);
    EXPECT_EQ(in.ok, c.ok) << "'" << c.typed << "' " << c.picture;
    EXPECT_DOUBLE_EQ(in.number, c.number) << "'" << c.typed << "' " << c.picture;
  }
  vx::PictureInput text = vx::parse_picture_input("Longer than five", "@s5");
  EXPECT_TRUE(text.ok);
  EXPECT_EQ(text.text, "Longe");
}

TEST(Picture, ShownValuesReadBackUnchanged) {
  const char* pictures[] = {"@n-14", "@n-15.2", "@n10.2", "@n3", "d2", "t6"};
  const double values[] = {0, 1, 7, 255, 1234.5, -1234.25, 99999.99, 1, 730000, 8640000};
  for (const char* pic : pictures) {
    for (double v : values) {
      std::string shown = vx::format_picture(v, pic);
      if (shown.find('#') != std::string::npos ||
          shown.find_first_not_of(' ') == std::string::npos) {
        continue;
      }
      vx::PictureInput in = vx::parse_picture_input(shown, pic);
      EXPECT_TRUE(in.ok) << shown << " " << pic;
      EXPECT_EQ(vx::format_picture(in.number, pic), shown) << pic;
    }
  }
}

TEST(Picture, IgnoresTheLocaleDecimalComma) {
  // A toolkit may switch LC_NUMERIC to the user's locale; pictures keep '.'.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(vx::format_picture(1234.5, "@n-10.2"), "   1234.50");
  EXPECT_DOUBLE_EQ(vx::parse_picture_input("12.25", "@n-10.2").number, 12.25);
  EXPECT_EQ(vx::format_picture(1.5, "@s4"), "1.5 ");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Clock, DayNumbersRoundTrip) {
  struct Case {
    int y, m, d;
    std::int32_t day;
  } cases[] = {
      {1801, 1, 1, 1},      {1801, 12, 31, 365},   {1900, 3, 1, 36219},
      {2000, 2, 29, 72743}, {2026, 12, 11, 82525}, {9999, 12, 31, vx::kMaxDate},
      {1800, 12, 31, 0},    {2023, 2, 29, 0},      {2024, 4, 31, 0},
      {10000, 1, 1, 0},     {2024, 0, 1, 0},       {2024, 13, 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vx::date_from_ymd(c.y, c.m, c.d), c.day) << c.y << "-" << c.m << "-" << c.d;
    if (c.day == 0) continue;
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(vx::ymd_from_date(c.day, &y, &m, &d));
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
  }
  int y = -1, m = -1, d = -1;
  EXPECT_FALSE(vx::ymd_from_date(0, &y, &m, &d));
  EXPECT_FALSE(vx::ymd_from_date(vx::kMaxDate + 1, &y, &m, &d));
  EXPECT_EQ(y, -1);
  // Every day of a span that crosses leap and century rules comes back as itself.
  for (std::int32_t day = 36000; day < 37500; ++day) {
    ASSERT_TRUE(vx::ymd_from_date(day, &y, &m, &d));
    ASSERT_EQ(vx::date_from_ymd(y, m, d), day);
  }
}

TEST(Clock, TodayAndClockAgreeWithTheSystemClock) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    time_t before = time(nullptr);
    std::int32_t today = RT_TODAY();
    std::int32_t clock = RT_CLOCK();
    time_t after = time(nullptr);
    struct tm tm;
    localtime_r(&before, &tm);
    if (before != after) continue;  // a second boundary between the readings: retry
    EXPECT_EQ(today, vx::date_from_ymd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
    ASSERT_GE(clock, 1);
    ASSERT_LE(clock, vx::kMaxClock);
    int seconds = (clock - 1) / 100;
    EXPECT_EQ(seconds, tm.tm_hour * 3600 + tm.tm_min * 60 + (tm.tm_sec > 59 ? 59 : tm.tm_sec));
    return;
  }
}

}  // namespace
