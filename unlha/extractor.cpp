#include "unlha/extractor.h"

#include <algorithm>
#include <cstdint>

#include "base/text.h"
#include "unlha/decoder.h"
#include "unlha/entry_name.h"

namespace dm::lzh {
namespace {

// Passes decoded bytes on to a pending file (or nowhere, when testing) and
// tells the listener how far the file has come.
class EntrySink : public OutputSink {
 public:
  EntrySink(PendingFile* file, ProgressListener& progress, const EntryHeader& entry, std::string_view name)
      : file_(file), progress_(progress), entry_(entry), name_(name) {}
  bool Write(const uint8_t* data, size_t size) override {
    if (file_ != nullptr && !file_->Write(data, size)) {
      writeFailed_ = true;
      return false;
    }
    written_ += size;
    if (!progress_.OnProgress(ProgressStage::kWriting, entry_, name_, written_)) {
      aborted_ = true;
      return false;
    }
    return true;
  }
  bool Aborted() const { return aborted_; }
  bool WriteFailed() const { return writeFailed_; }

 private:
  PendingFile* file_;
  ProgressListener& progress_;
  const EntryHeader& entry_;
  std::string_view name_;
  uint64_t written_ = 0;
  bool aborted_ = false;
  bool writeFailed_ = false;
};

std::string DecodeProblem(DecodeStatus status, const EntryHeader& entry) {
  switch (status) {
    case DecodeStatus::kUnknownMethod: return "圧縮方式 " + entry.method + " には対応していません";
    case DecodeStatus::kTruncated: return "データが途中で終わっています";
    case DecodeStatus::kCorrupt: return "データが壊れています";
    case DecodeStatus::kSizeMismatch: return "格納サイズと元のサイズが一致しません";
    case DecodeStatus::kTooLong: return "データがヘッダーのサイズを超えて続いています。ファイルは置き換えていません";
    case DecodeStatus::kReadError: return "アーカイブを読めません";
    default: return "展開できません";
  }
}

std::string PrintableMethod(const std::string& method) {
  std::string out;
  for (char c : method) out += (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) ? '?' : c;
  return out;
}

class Run {
 public:
  Run(const Command& command, ByteSource& archive, TargetFolder* folder, ProgressListener& progress, Report& report)
      : command_(command), archive_(archive), folder_(folder), progress_(progress), report_(report) {}

  ResultCode Go() {
    if (command_.action == Action::kExtract && !RoomForAll()) {
      Summarize();
      return kResultEntriesFailed;
    }
    for (int index = 1;; ++index) {
      EntryHeader entry;
      const HeaderResult header = ReadEntryHeader(archive_, entry);
      if (header.status == HeaderStatus::kEnd) break;
      if (header.status == HeaderStatus::kBroken) {
        report_.Add(StringPrintf("%d 番目のヘッダー: アーカイブが壊れています（%s）", index, header.problem.c_str()));
        broken_ = true;
        break;
      }
      LimitedSource data(archive_, entry.packedSize);
      const bool keepGoing = HandleEntry(entry, data);
      if (!keepGoing) break;
      if (!data.SkipRest()) {
        report_.Add(StringPrintf("%s: アーカイブがデータの途中で終わっています", lastShown_.c_str()));
        broken_ = true;
        break;
      }
    }
    Summarize();
    if (aborted_) return kResultAborted;
    if (broken_) return kResultBrokenArchive;
    if (counts_.failed > 0 || counts_.refused > 0) return kResultEntriesFailed;
    return kResultSuccess;
  }

  const RunCounts& Counts() const { return counts_; }

 private:
  bool Selected(const TargetName& target) const {
    return MatchesAnyPattern(command_.patterns, target.fileName, target.shownPath);
  }
  // Files go flat into the folder, and folders have no data: "-lhd-"
  // entries, and empty entries whose name ends in a separator, as some
  // archivers store folders.
  static bool IsFolderEntry(const EntryHeader& entry, const TargetName& target) {
    return IsFolderMethod(entry.method) || (target.fileName.empty() && entry.originalSize == 0);
  }

  // Reads the headers alone and adds up the sizes of the files extraction
  // would write. When they exceed the folder's free space, reports it and
  // answers false before anything is written. A size or an archive that
  // cannot be read lets extraction go on, to report what it meets.
  bool RoomForAll() {
    uint64_t free = 0;
    if (!folder_->FreeSpace(free) || !archive_.Rewind()) return true;
    uint64_t needed = 0;
    int files = 0;
    for (;;) {
      EntryHeader entry;
      if (ReadEntryHeader(archive_, entry).status != HeaderStatus::kEntry) break;
      const TargetName target = FlatTargetName(entry);
      if (Selected(target) && !IsFolderEntry(entry, target) && IsSupportedMethod(entry.method) &&
          target.usable) {
        needed += std::min(entry.originalSize, UINT64_MAX - needed);
        ++files;
      }
      LimitedSource data(archive_, entry.packedSize);
      if (!data.SkipRest()) break;
    }
    if (!archive_.Rewind()) {
      report_.Add("アーカイブを読み直せません");
      counts_.failed += files;
      return false;
    }
    if (needed <= free) return true;
    report_.Add(StringPrintf("展開先の空き容量が足りません（展開するファイル %d 件の合計 %llu バイト、空き %llu バイト）。何も書き込んでいません",
                             files, static_cast<unsigned long long>(needed), static_cast<unsigned long long>(free)));
    counts_.refused += files;
    return false;
  }

  // False ends the run (abort).
  bool HandleEntry(const EntryHeader& entry, LimitedSource& data) {
    const TargetName target = FlatTargetName(entry);
    lastShown_ = target.shownPath;
    if (!Selected(target)) return true;
    if (command_.action == Action::kList) {
      report_.Add(StringPrintf("%s  %s  %llu / %llu", target.shownPath.c_str(), PrintableMethod(entry.method).c_str(),
                               static_cast<unsigned long long>(entry.packedSize),
                               static_cast<unsigned long long>(entry.originalSize)));
      ++counts_.done;
      return true;
    }
    if (IsFolderEntry(entry, target)) return true;
    if (!IsSupportedMethod(entry.method)) {
      Fail(target, "圧縮方式 " + PrintableMethod(entry.method) + " には対応していません");
      return true;
    }
    const bool extracting = command_.action == Action::kExtract;
    if (extracting && !target.usable) {
      report_.Add(target.shownPath + ": 書き込みません（" + target.refusal + "）");
      ++counts_.refused;
      return true;
    }
    std::unique_ptr<PendingFile> file;
    if (extracting) {
      std::string problem;
      file = folder_->Begin(target.fileName, problem);
      if (!file) {
        Fail(target, "一時ファイルを作れません（" + problem + "）");
        return true;
      }
    }
    if (!progress_.OnProgress(ProgressStage::kBegin, entry, target.fileName, 0)) return Abort(target);
    EntrySink sink(file.get(), progress_, entry, target.fileName);
    const DecodeResult result = DecodeData(entry.method, data, entry.packedSize, entry.originalSize, sink);
    if (sink.Aborted()) return Abort(target);
    if (sink.WriteFailed()) {
      Fail(target, "書き込めません（" + file->Problem() + "）");
      return true;
    }
    if (result.status != DecodeStatus::kOk) {
      Fail(target, DecodeProblem(result.status, entry));
      return true;
    }
    if (result.crc != entry.crc) {
      Fail(target, extracting ? "CRC が一致しません。ファイルは置き換えていません" : "CRC が一致しません");
      return true;
    }
    if (extracting && !file->Commit(entry.time)) {
      Fail(target, "置き換えられません（" + file->Problem() + "）");
      return true;
    }
    ++counts_.done;
    if (!extracting) report_.Add(target.shownPath + ": OK");
    else if (target.folderDropped) report_.Add(target.shownPath + ": フォルダー外を指すパスを除いて「" + target.fileName + "」として展開しました");
    else report_.Add(target.shownPath + ": 展開しました");
    // The file is complete; a stop asked for now ends the run after it.
    if (!progress_.OnProgress(ProgressStage::kEnd, entry, target.fileName, entry.originalSize)) {
      report_.Add("以降を中止しました");
      aborted_ = true;
      return false;
    }
    return true;
  }

  void Fail(const TargetName& target, const std::string& problem) {
    report_.Add(target.shownPath + ": " + problem);
    ++counts_.failed;
  }

  bool Abort(const TargetName& target) {
    report_.Add(target.shownPath + ": 中止しました");
    aborted_ = true;
    return false;
  }

  void Summarize() {
    const char* verb = command_.action == Action::kExtract ? "展開" : command_.action == Action::kTest ? "検査" : "一覧";
    std::string line = StringPrintf("%s %d 件", verb, counts_.done);
    if (counts_.failed > 0) line += StringPrintf("、失敗 %d 件", counts_.failed);
    if (counts_.refused > 0) line += StringPrintf("、拒否 %d 件", counts_.refused);
    if (aborted_) line += "、中止しました";
    else if (broken_) line += "、アーカイブが壊れています";
    report_.Add(line);
  }

  const Command& command_;
  ByteSource& archive_;
  TargetFolder* folder_;
  ProgressListener& progress_;
  Report& report_;
  RunCounts counts_;
  std::string lastShown_;
  bool aborted_ = false;
  bool broken_ = false;
};

}  // namespace

ResultCode RunCommand(const Command& command, ByteSource& archive, TargetFolder* folder, ProgressListener& progress,
                      Report& report, RunCounts* counts) {
  if (command.action == Action::kExtract && folder == nullptr) {
    report.Add("展開先のフォルダーがありません");
    return kResultFolderMissing;
  }
  Run run(command, archive, folder, progress, report);
  const ResultCode result = run.Go();
  if (counts != nullptr) *counts = run.Counts();
  return result;
}

}  // namespace dm::lzh
