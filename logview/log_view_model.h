// The log viewer without its window: the day list made from the daily log
// files beside the program, the rows of the chosen day (all of them or only
// errors and aborts), and deleting a day. The window (TLogView) shows what
// this holds and calls it from its handlers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dm {

// A row of the day list: caption "2007/12/31", file name "20071231.log".
struct LogDay {
  std::string caption;
  std::string fileName;
  bool operator==(const LogDay&) const = default;
};

// A row without an icon: a line whose kind is not a number.
inline constexpr int kNoLogIcon = -1;

// A row of the line list: the icon is the line's report kind, the caption
// its time, one blank and its title, the detail its text.
struct LogRow {
  int kind = kNoLogIcon;
  std::string caption;
  std::string detail;
  bool operator==(const LogRow&) const = default;
};

inline constexpr char kChooseDayText[] = "ログファイルを選択してください";

// The row that stands in for lines that cannot be shown.
LogRow ErrorRow(std::string detail);

// The day row of a log file's name, or nothing when the name up to its
// first "." is not exactly eight characters long or it does not end in
// ".log".
std::optional<LogDay> DayOfLogFile(std::string_view fileName);

// The day rows of the names that make one, ordered by caption (the latest
// day last).
std::vector<LogDay> BuildDayList(const std::vector<std::string>& fileNames);

// Kinds that the error-only view keeps: errors (1) and aborts (3).
bool IsErrorKind(int kind);

// One line of a log file (UTF-8, the line end may still be there) as its
// row; nothing for a line without any text.
std::optional<LogRow> ParseLogLine(std::string_view line);

// The rows of one day. The file's bytes are kept with where each shown
// line lies, and a line becomes a row only when it is asked for (the list
// asks for the rows it shows): a day of hundreds of thousands of lines is
// read at once and takes little more memory than its file.
class LogRows {
 public:
  size_t size() const { return lines_.size() + added_.size(); }
  bool empty() const { return size() == 0; }
  LogRow operator[](size_t index) const;
  // A row after the file's lines: the error rows.
  void push_back(LogRow row) { added_.push_back(std::move(row)); }

 private:
  friend LogRows ParseLogFile(std::string sjisBytes, bool errorsOnly);
  struct Line {
    size_t start;
    size_t length;
  };
  std::string bytes_;
  std::vector<Line> lines_;
  std::vector<LogRow> added_;
};

// The rows of a whole day's file, bytes as written (Shift-JIS); with
// `errorsOnly` just the lines of kind 1 and 3. Blank lines show no row.
LogRows ParseLogFile(std::string sjisBytes, bool errorsOnly);

// The folder the log files lie in: the program's own.
class LogFolder {
 public:
  virtual ~LogFolder() = default;
  // Names of the files (not folders) that match "*.log".
  virtual std::vector<std::string> LogFileNames() = 0;
  // The file's bytes; nothing when it cannot be opened.
  virtual std::optional<std::string> Read(const std::string& fileName) = 0;
  virtual bool Delete(const std::string& fileName) = 0;
};

class LogViewModel {
 public:
  explicit LogViewModel(LogFolder& folder) : folder_(folder) {}

  // FormShow: the day list read again with its latest day chosen; no lines
  // until that day is loaded.
  void FormShow();
  const std::vector<LogDay>& Days() const { return days_; }
  std::optional<size_t> SelectedDay() const { return selected_; }
  // The day the user chose; nothing when none is.
  void SelectDay(std::optional<size_t> day);

  // ListView2Click: the rows of the chosen day.
  void LoadSelectedDay(bool errorsOnly);
  const LogRows& Rows() const { return rows_; }
  bool DeleteEnabled() const { return deleteEnabled_; }

  // ButtonDelClick, first half: the question to ask about the chosen day.
  // Without a chosen day an error row is added instead and nothing is
  // returned.
  std::optional<std::string> DeleteQuestion();
  // ButtonDelClick after "yes": the chosen day's file deleted (a failure
  // leaves it in the list) and the day list read again.
  void DeleteSelectedDay();

 private:
  LogFolder& folder_;
  std::vector<LogDay> days_;
  std::optional<size_t> selected_;
  LogRows rows_;
  bool deleteEnabled_ = true;
};

}  // namespace dm
