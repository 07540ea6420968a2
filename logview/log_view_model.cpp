#include "logview/log_view_model.h"

#include <algorithm>

#include "base/sjis.h"
#include "base/text.h"

namespace dm {

namespace {

constexpr int kErrorKind = 1;
constexpr int kAbortKind = 3;
constexpr size_t kDayNameLength = 8;
// Kind, title, time and text; a text's own commas cut it.
constexpr size_t kPiecesUsed = 4;

// The characters of a UTF-8 text; a byte that starts no valid character
// counts as one.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (size_t pos = 0; pos < text.size();) {
    size_t length = std::max<size_t>(1, Utf8CharLength(text, pos));
    characters.push_back(text.substr(pos, length));
    pos += length;
  }
  return characters;
}

// The line split at its commas, pieces trimmed; empty pieces between two
// commas are left out, as the splitting skips them.
std::vector<std::string_view> SplitAtCommas(std::string_view line, size_t most) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (start < line.size() && pieces.size() < most) {
    size_t comma = std::min(line.find(',', start), line.size());
    if (comma > start) pieces.push_back(TrimView(line.substr(start, comma - start)));
    start = comma + 1;
  }
  return pieces;
}

// The kind of a raw line, read before its text is converted.
std::optional<int> KindOf(std::string_view line) {
  std::vector<std::string_view> first = SplitAtCommas(line, 1);
  if (first.empty()) return std::nullopt;
  return ParseInteger(first[0]);
}

}  // namespace

LogRow ErrorRow(std::string detail) { return LogRow{kErrorKind, "エラー", std::move(detail)}; }

std::optional<LogDay> DayOfLogFile(std::string_view fileName) {
  if (!EndsWith(AsciiLower(fileName), ".log")) return std::nullopt;
  std::vector<std::string_view> day = Characters(fileName.substr(0, fileName.find('.')));
  if (day.size() != kDayNameLength) return std::nullopt;
  std::string caption;
  for (size_t i = 0; i < day.size(); ++i) {
    if (i == 4 || i == 6) caption += '/';
    caption += day[i];
  }
  return LogDay{caption, std::string(fileName)};
}

std::vector<LogDay> BuildDayList(const std::vector<std::string>& fileNames) {
  std::vector<LogDay> days;
  for (const std::string& name : fileNames) {
    if (std::optional<LogDay> day = DayOfLogFile(name)) days.push_back(*day);
  }
  std::sort(days.begin(), days.end(), [](const LogDay& a, const LogDay& b) {
    return a.caption != b.caption ? a.caption < b.caption : a.fileName < b.fileName;
  });
  return days;
}

bool IsErrorKind(int kind) { return kind == kErrorKind || kind == kAbortKind; }

std::optional<LogRow> ParseLogLine(std::string_view line) {
  if (TrimView(line).empty()) return std::nullopt;
  std::vector<std::string_view> pieces = SplitAtCommas(line, kPiecesUsed);
  std::optional<int> kind = pieces.empty() ? std::nullopt : ParseInteger(pieces[0]);
  // Not a line the program wrote: shown whole rather than dropped, so that
  // nothing in the file goes unseen.
  if (!kind) return LogRow{kNoLogIcon, "", Trim(line)};
  auto piece = [&](size_t i) { return i < pieces.size() ? std::string(pieces[i]) : std::string(); };
  return LogRow{*kind, piece(2) + " " + piece(1), piece(3)};
}

std::vector<LogRow> ParseLogFile(std::string_view sjisBytes, bool errorsOnly) {
  std::vector<LogRow> rows;
  // Lines are split on the raw bytes: a line feed never occurs inside a
  // Shift-JIS character, and a broken character cannot swallow it.
  for (size_t start = 0; start < sjisBytes.size();) {
    size_t end = std::min(sjisBytes.find('\n', start), sjisBytes.size());
    std::string_view raw = sjisBytes.substr(start, end - start);
    start = end + 1;
    if (errorsOnly) {
      std::optional<int> kind = KindOf(raw);
      if (!kind || !IsErrorKind(*kind)) continue;
    }
    if (std::optional<LogRow> row = ParseLogLine(SjisToUtf8(raw))) rows.push_back(std::move(*row));
  }
  return rows;
}

void LogViewModel::FormShow() {
  days_ = BuildDayList(folder_.LogFileNames());
  rows_.clear();
  selected_ = days_.empty() ? std::nullopt : std::optional<size_t>(days_.size() - 1);
}

void LogViewModel::SelectDay(std::optional<size_t> day) {
  selected_ = day && *day < days_.size() ? day : std::nullopt;
}

void LogViewModel::LoadSelectedDay(bool errorsOnly) {
  rows_.clear();
  if (!selected_) {
    rows_.push_back(ErrorRow(kChooseDayText));
    deleteEnabled_ = false;
    return;
  }
  const LogDay& day = days_[*selected_];
  std::optional<std::string> bytes = folder_.Read(day.fileName);
  if (!bytes) {
    rows_.push_back(ErrorRow(day.caption + " に作成されたログファイルが見つかりません"));
    return;
  }
  deleteEnabled_ = true;
  rows_ = ParseLogFile(*bytes, errorsOnly);
}

std::optional<std::string> LogViewModel::DeleteQuestion() {
  if (!selected_) {
    rows_.push_back(ErrorRow(kChooseDayText));
    return std::nullopt;
  }
  return "'" + days_[*selected_].caption + "' のログをを削除しますか？";
}

void LogViewModel::DeleteSelectedDay() {
  if (!selected_) return;
  folder_.Delete(days_[*selected_].fileName);
  FormShow();
}

}  // namespace dm
