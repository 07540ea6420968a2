// The least a run where nothing changed can do on this platform: list both
// trees once, folder by folder, on one thread, and compare each file's name,
// size and last-write time. The whole-program benchmark measures the
// program's no-change run against it.
//
//   floor_list.exe SRC DST
// prints files=N differing=N extra=N: the source's files, those missing or
// different in the destination, and the destination's entries the source
// lacks.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/win/handles.h"

namespace {

struct Entry {
  std::wstring name;
  std::wstring key;  // the name upper-cased: Windows names match regardless of case
  bool folder = false;
  ULONGLONG size = 0;
  ULONGLONG written = 0;
};

struct Counts {
  long files = 0;
  long differing = 0;
  long extra = 0;
};

ULONGLONG Combine(DWORD high, DWORD low) { return (static_cast<ULONGLONG>(high) << 32) | low; }

Entry ToEntry(const WIN32_FIND_DATAW& data) {
  Entry entry;
  entry.name = data.cFileName;
  entry.key = entry.name;
  CharUpperBuffW(entry.key.data(), static_cast<DWORD>(entry.key.size()));
  entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.size = Combine(data.nFileSizeHigh, data.nFileSizeLow);
  entry.written = Combine(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
  return entry;
}

// One folder's entries sorted by key, so the two sides can be walked in
// step; none when the folder cannot be listed.
std::vector<Entry> ListFolder(const std::wstring& folder) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAW data;
  dm::FindHandle find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return entries;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") entries.push_back(ToEntry(data));
  } while (FindNextFileW(find.Get(), &data));
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
  return entries;
}

void CompareFolders(const std::wstring& src, const std::wstring* dst, Counts& counts);

// A source entry the destination lacks: a file to copy, or a folder whose
// whole sub-tree is to be copied (listed on the source side only).
void CountMissing(const std::wstring& src, const Entry& entry, Counts& counts) {
  if (entry.folder) {
    CompareFolders(src + L"\\" + entry.name, nullptr, counts);
  } else {
    ++counts.files;
    ++counts.differing;
  }
}

void ComparePair(const std::wstring& src, const std::wstring& dst, const Entry& from, const Entry& to,
                 Counts& counts) {
  if (from.folder != to.folder) {
    // A file where a folder was, or the reverse: the destination's entry goes
    // and the source's is copied.
    ++counts.extra;
    CountMissing(src, from, counts);
  } else if (from.folder) {
    std::wstring dst_folder = dst + L"\\" + to.name;
    CompareFolders(src + L"\\" + from.name, &dst_folder, counts);
  } else {
    ++counts.files;
    // Exact times: both sides are on the same kind of volume here.
    if (from.size != to.size || from.written != to.written) ++counts.differing;
  }
}

// dst is null when the destination folder does not exist: nothing is listed there.
void CompareFolders(const std::wstring& src, const std::wstring* dst, Counts& counts) {
  std::vector<Entry> source = ListFolder(src);
  std::vector<Entry> destination = dst ? ListFolder(*dst) : std::vector<Entry>();
  size_t s = 0, d = 0;
  while (s < source.size() || d < destination.size()) {
    if (d == destination.size() || (s < source.size() && source[s].key < destination[d].key)) {
      CountMissing(src, source[s++], counts);
    } else if (s == source.size() || destination[d].key < source[s].key) {
      ++counts.extra;
      ++d;
    } else {
      ComparePair(src, *dst, source[s++], destination[d++], counts);
    }
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: floor_list SRC DST\n");
    return 2;
  }
  Counts counts;
  std::wstring dst = argv[2];
  CompareFolders(argv[1], &dst, counts);
  std::printf("files=%ld differing=%ld extra=%ld\n", counts.files, counts.differing, counts.extra);
  return 0;
}
