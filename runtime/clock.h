// Today's date and the time of day, and their display texts.
//
// Dates are day numbers: day 1 is 1 January 1801, counted in the proleptic Gregorian
// calendar up to 31 December 9999; 0 means "no date" (a cleared field).
// Times are hundredths of a second since midnight plus one: 1 is 00:00:00.00,
// 8640000 is 23:59:59.99; 0 means "no time".
// Both follow the machine's local time zone.
#ifndef VX_RUNTIME_CLOCK_H_
#define VX_RUNTIME_CLOCK_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

constexpr std::int32_t kMaxDate = 2994623;   // 31 December 9999
constexpr std::int32_t kMaxClock = 8640000;  // 23:59:59.99

// The day number of a calendar date; 0 when the date does not exist or is out of range.
std::int32_t date_from_ymd(int year, int month, int day);
// The calendar date of a day number; false (outputs untouched) outside 1..kMaxDate.
bool ymd_from_date(std::int32_t date, int* year, int* month, int* day);
// The clock value of a time of day; 0 when out of range.
std::int32_t clock_from_hms(int hours, int minutes, int seconds, int hundredths = 0);

// "d2": mm/dd/yyyy. No date: ten blanks; a value outside the range: ten '#'.
std::string format_d2(std::int32_t date);
// "t6": hh:mm:ss (24 hours). No time: eight blanks; outside the range: eight '#'.
std::string format_t6(std::int32_t clock);

// Reading what a user typed. Blank text is "no date"/"no time" (0). Dates: m/d/yyyy
// with one- or two-digit month and day. Times: h:mm or h:mm:ss. Surrounding blanks
// are allowed. False (and *out untouched) when the text is not a valid date or time.
bool parse_d2(std::string_view text, std::int32_t* out);
bool parse_t6(std::string_view text, std::int32_t* out);

}  // namespace vx

// Today's day number.
std::int32_t RT_TODAY();
// The time of day now, in hundredths of a second since midnight plus one.
std::int32_t RT_CLOCK();

#endif  // VX_RUNTIME_CLOCK_H_
