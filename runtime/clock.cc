#include "runtime/clock.h"

#include <time.h>

#include <cstdio>

namespace vx {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), any year.
constexpr std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr std::int64_t kEpoch = days_from_civil(1800, 12, 31);  // day 0
static_assert(days_from_civil(9999, 12, 31) - kEpoch == kMaxDate);

bool leap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0'))
    s.remove_suffix(1);
  return s;
}

// Reads 1..max_digits decimal digits; false if none or too many.
bool read_number(std::string_view& s, int max_digits, int* out) {
  int n = 0, digits = 0;
  while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
    if (++digits > max_digits) return false;
    n = n * 10 + (s.front() - '0');
    s.remove_prefix(1);
  }
  if (digits == 0) return false;
  *out = n;
  return true;
}

bool expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

}  // namespace

std::int32_t date_from_ymd(int year, int month, int day) {
  if (year < 1801 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > days_in_month(year, month)) {
    return 0;
  }
  return static_cast<std::int32_t>(
      days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
}

bool ymd_from_date(std::int32_t date, int* year, int* month, int* day) {
  if (date < 1 || date > kMaxDate) return false;
  // Inverse of days_from_civil.
  std::int64_t z = date + kEpoch + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
  return true;
}

std::int32_t clock_from_hms(int hours, int minutes, int seconds, int hundredths) {
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 ||
      hundredths < 0 || hundredths > 99) {
    return 0;
  }
  return ((hours * 60 + minutes) * 60 + seconds) * 100 + hundredths + 1;
}

std::string format_d2(std::int32_t date) {
  if (date == 0) return std::string(10, ' ');
  int y, m, d;
  if (!ymd_from_date(date, &y, &m, &d)) return std::string(10, '#');
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", m, d, y);
  return buf;
}

std::string format_t6(std::int32_t clock) {
  if (clock == 0) return std::string(8, ' ');
  if (clock < 1 || clock > kMaxClock) return std::string(8, '#');
  int s = (clock - 1) / 100;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  return buf;
}

bool parse_d2(std::string_view text, std::int32_t* out) {
  std::string_view s = trim(text);
  if (s.empty()) {
    *out = 0;
    return true;
  }
  int m, d, y;
  if (!read_number(s, 2, &m) || !expect(s, '/') || !read_number(s, 2, &d) || !expect(s, '/') ||
      !read_number(s, 4, &y) || !s.empty()) {
    return false;
  }
  std::int32_t date = date_from_ymd(y, m, d);
  if (date == 0) return false;
  *out = date;
  return true;
}

bool parse_t6(std::string_view text, std::int32_t* out) {
  std::string_view s = trim(text);
  if (s.empty()) {
    *out = 0;
    return true;
  }
  int h, m, sec = 0;
  if (!read_number(s, 2, &h) || !expect(s, ':') || !read_number(s, 2, &m)) return false;
  if (!s.empty() && (!expect(s, ':') || !read_number(s, 2, &sec))) return false;
  if (!s.empty() || h > 23 || m > 59 || sec > 59) return false;
  *out = clock_from_hms(h, m, sec);
  return true;
}

}  // namespace vx

namespace {
bool local_now(struct tm* tm, long* nanoseconds) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  *nanoseconds = ts.tv_nsec;
  return localtime_r(&ts.tv_sec, tm) != nullptr;
}
}  // namespace

std::int32_t RT_TODAY() {
  struct tm tm;
  long ns;
  if (!local_now(&tm, &ns)) return 0;
  return vx::date_from_ymd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::int32_t RT_CLOCK() {
  struct tm tm;
  long ns;
  if (!local_now(&tm, &ns)) return 0;
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  int sec = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  return vx::clock_from_hms(tm.tm_hour, tm.tm_min, sec, static_cast<int>(ns / 10000000));
}
