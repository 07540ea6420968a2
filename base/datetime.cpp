#include "base/datetime.h"

#include <cmath>

#include "base/text.h"

namespace dm {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 1 January of year 1 to the given date (proleptic Gregorian).
long long DayNumber(int year, int month, int day) {
  static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  long long y = year - 1;
  long long days = y * 365 + y / 4 - y / 100 + y / 400 + kBefore[month - 1] + day;
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}

const long long kEpochDayNumber = DayNumber(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

}  // namespace

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

DateTimeParts MakeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  DateTimeParts p;
  p.year = year;
  p.month = month;
  p.day = day;
  p.hour = hour;
  p.minute = minute;
  p.second = second;
  p.millisecond = millisecond;
  p.dayOfWeek = static_cast<int>(DayNumber(year, month, day) % 7);
  return p;
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

double EncodeDate(int year, int month, int day) {
  return static_cast<double>(DayNumber(year, month, day) - kEpochDayNumber);
}

double EncodeDateTime(const DateTimeParts& p) {
  double date = EncodeDate(p.year, p.month, p.day);
  double time = (((p.hour * 60.0 + p.minute) * 60.0 + p.second) * 1000.0 + p.millisecond) / kMsPerDay;
  // Days before the epoch carry the time as a positive fraction away from zero.
  return date >= 0 ? date + time : date - time;
}

DateTimeParts DecodeDateTime(double value) {
  DateTimeParts p;
  double whole = std::trunc(value);
  double fraction = std::fabs(value - whole);
  long long ms = std::llround(fraction * kMsPerDay);
  if (ms >= static_cast<long long>(kMsPerDay)) {
    ms -= static_cast<long long>(kMsPerDay);
    whole += value >= 0 ? 1 : -1;
  }
  long long day_number = static_cast<long long>(whole) + kEpochDayNumber;
  // Find the year, then the month, from the day number.
  int year = static_cast<int>(day_number / 365.2425) + 1;
  while (DayNumber(year, 1, 1) > day_number) --year;
  while (DayNumber(year + 1, 1, 1) <= day_number) ++year;
  int month = 1;
  while (month < 12 && DayNumber(year, month + 1, 1) <= day_number) ++month;
  p.year = year;
  p.month = month;
  p.day = static_cast<int>(day_number - DayNumber(year, month, 1)) + 1;
  p.dayOfWeek = static_cast<int>(day_number % 7);  // day 1 (1 January of year 1) was a Monday
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::string FormatShortDate(const DateTimeParts& p) {
  return StringPrintf("%04d/%02d/%02d", p.year, p.month, p.day);
}

std::string FormatDateTime(const DateTimeParts& p) {
  std::string text = FormatShortDate(p);
  if (p.hour || p.minute || p.second || p.millisecond) {
    text += StringPrintf(" %d:%02d:%02d", p.hour, p.minute, p.second);
  }
  return text;
}

std::optional<double> ParseShortDate(std::string_view text) {
  std::string_view t = TrimView(text);
  int numbers[3] = {0, 0, 0};
  int count = 0;
  size_t pos = 0;
  while (count < 3) {
    size_t start = pos;
    long value = 0;
    while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9' && pos - start < 5) {
      value = value * 10 + (t[pos] - '0');
      ++pos;
    }
    if (pos == start) return std::nullopt;
    numbers[count++] = static_cast<int>(value);
    if (count == 3) break;
    if (pos >= t.size() || (t[pos] != '/' && t[pos] != '-' && t[pos] != '.')) return std::nullopt;
    ++pos;
  }
  if (pos != t.size()) return std::nullopt;
  int year = numbers[0];
  if (year < 100) year += year < 50 ? 2000 : 1900;
  if (!IsValidDate(year, numbers[1], numbers[2])) return std::nullopt;
  return EncodeDate(year, numbers[1], numbers[2]);
}

std::optional<double> ParseDateTimeText(std::string_view text) {
  std::string_view t = TrimView(text);
  size_t blank = t.find_first_of(" \t");
  if (blank == std::string_view::npos) return ParseShortDate(t);
  std::optional<double> date = ParseShortDate(t.substr(0, blank));
  if (!date) return std::nullopt;
  // The time: two or three numbers between colons, each of one or two digits.
  std::string_view time = TrimView(t.substr(blank));
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t pos = 0;
  while (count < 3) {
    size_t start = pos;
    int value = 0;
    while (pos < time.size() && time[pos] >= '0' && time[pos] <= '9' && pos - start < 2) {
      value = value * 10 + (time[pos] - '0');
      ++pos;
    }
    if (pos == start) return std::nullopt;
    parts[count++] = value;
    if (pos == time.size() || count == 3) break;
    if (time[pos] != ':') return std::nullopt;
    ++pos;
  }
  if (pos != time.size() || count < 2) return std::nullopt;
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
  return *date + ((parts[0] * 60.0 + parts[1]) * 60.0 + parts[2]) / 86400.0;
}

uint32_t ToDosDateTime(const DateTimeParts& p) {
  if (p.year < 1980 || p.year > 2099) return 0;
  uint32_t date = (static_cast<uint32_t>(p.year - 1980) << 9) | (p.month << 5) | p.day;
  uint32_t time = (p.hour << 11) | (p.minute << 5) | (p.second / 2);
  return (date << 16) | time;
}

}  // namespace dm
