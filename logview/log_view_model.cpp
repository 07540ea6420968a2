#include "logview/log_view_model.h"

#include <algorithm>
#include <array>

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

// The first pieces of a line split at its commas, trimmed; empty pieces
// between two commas are left out, as the splitting skips them. Fixed
// room: a day's file can hold hundreds of thousands of lines.
struct Pieces {
  std::array<std::string_view, kPiecesUsed> piece;
  size_t count = 0;
  std::string Text(size_t i) const { return i < count ? std::string(piece[i]) : std::string(); }
};

Pieces SplitAtCommas(std::string_view line, size_t most = kPiecesUsed) {
  Pieces pieces;
  size_t start = 0;
  while (start < line.size() && pieces.count < most) {
    size_t comma = std::min(line.find(',', start), line.size());
    if (comma > start) pieces.piece[pieces.count++] = TrimView(line.substr(start, comma - start));
    start = comma + 1;
  }
  return pieces;
}

// The kind of a raw line, read before its text is converted.
std::optional<int> KindOf(std::string_view line) {
  Pieces first = SplitAtCommas(line, 1);
  if (first.count == 0) return std::nullopt;
  return ParseInteger(first.piece[0]);
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
  Pieces pieces = SplitAtCommas(line);
  std::optional<int> kind = pieces.count == 0 ? std::nullopt : ParseInteger(pieces.piece[0]);
  // Not a line the program wrote: shown whole rather than dropped, so that
  // nothing in the file goes unseen.
  if (!kind) return LogRow{kNoLogIcon, "", Trim(line)};
  LogRow row{*kind, pieces.Text(2), pieces.Text(3)};
  row.caption += ' ';
  if (pieces.count > 1) row.caption += pieces.piece[1];
  return row;
}

LogRows ParseLogFile(std::string sjisBytes, bool errorsOnly) {
  LogRows rows;
  rows.bytes_ = std::move(sjisBytes);
  std::string_view bytes = rows.bytes_;
  // Lines are split on the raw bytes: a line feed never occurs inside a
  // Shift-JIS character, and a broken character cannot swallow it.
  for (size_t start = 0; start < bytes.size();) {
    size_t end = std::min(bytes.find('\n', start), bytes.size());
    std::string_view raw = bytes.substr(start, end - start);
    if (!TrimView(raw).empty()) {
      std::optional<int> kind = errorsOnly ? KindOf(raw) : std::nullopt;
      if (!errorsOnly || (kind && IsErrorKind(*kind))) rows.lines_.push_back({start, raw.size()});
    }
    start = end + 1;
  }
  return rows;
}

LogRow LogRows::operator[](size_t index) const {
  if (index >= lines_.size()) return added_[index - lines_.size()];
  const Line& line = lines_[index];
  std::optional<LogRow> row = ParseLogLine(SjisToUtf8(std::string_view(bytes_).substr(line.start, line.length)));
  return row ? std::move(*row) : LogRow{};
}

void LogViewModel::FormShow() {
  days_ = BuildDayList(folder_.LogFileNames());
  rows_ = LogRows();
  selected_ = days_.empty() ? std::nullopt : std::optional<size_t>(days_.size() - 1);
}

void LogViewModel::SelectDay(std::optional<size_t> day) {
  selected_ = day && *day < days_.size() ? day : std::nullopt;
}

void LogViewModel::LoadSelectedDay(bool errorsOnly) {
  rows_ = LogRows();
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
  rows_ = ParseLogFile(std::move(*bytes), errorsOnly);
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
