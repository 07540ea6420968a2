// Date-times as the program stores them: days since 30 December 1899 with the
// time of day as the fraction, plus the text and packed forms it needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dm {

struct DateTimeParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int dayOfWeek = 6;  // 0 Sunday .. 6 Saturday
};

// A local date and time with its day of the week filled in.
DateTimeParts MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                           int millisecond = 0);

bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);

double EncodeDate(int year, int month, int day);
double EncodeDateTime(const DateTimeParts& parts);
DateTimeParts DecodeDateTime(double value);

// The Japanese system's forms: "2007/12/31" and "2007/12/31 9:00:05"; the
// date-time form leaves the time out at exactly midnight.
std::string FormatShortDate(const DateTimeParts& parts);
std::string FormatDateTime(const DateTimeParts& parts);

// Reads "yyyy/m/d" (also with "-" or "." between the numbers, and a two-digit
// year meaning 20yy below 50 and 19yy above). Nothing for anything else.
std::optional<double> ParseShortDate(std::string_view text);

// A date as ParseShortDate reads it, optionally followed by blanks and a time
// "h:mm" or "h:mm:ss" (hours 0-23), as the system's date-time form writes
// it: "2005/03/04 10:00:00". Nothing for anything else.
std::optional<double> ParseDateTimeText(std::string_view text);

// Packed DOS date-time of a local time: year-1980 in bits 25-31, month 21-24,
// day 16-20, hour 11-15, minute 5-10, seconds/2 0-4. 0 outside 1980-2099.
uint32_t ToDosDateTime(const DateTimeParts& parts);

// Where "now" comes from, so runs can be tested at a chosen moment.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTimeParts Now() = 0;
  virtual void SleepMs(int milliseconds) = 0;
};

// The machine's local time.
Clock& SystemClock();

}  // namespace dm
