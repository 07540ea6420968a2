#include "update/download.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <vector>

#include "unlha/entry_name.h"

namespace dm {
namespace {

// A server's answer and a record of every call the download made.
class FakeInternet : public InternetApi {
 public:
  std::string body;
  std::optional<uint64_t> contentLength;  // as the header says
  std::optional<HttpDate> lastModified;
  std::optional<int> status = 200;
  bool readFailsAtEnd = false;  // the connection breaks after the body
  uint32_t attemptResult = 0;
  bool openFails = false;
  bool openUrlFails = false;
  bool endless = false;                     // the body never ends
  size_t stallAfter = SIZE_MAX;             // no answer after this many bytes
  CallEnd stallEnd = CallEnd::kStalled;     // how the waiting read ends then
  CallEnd openUrlEnd = CallEnd::kAnswered;

  std::vector<std::string> calls;
  std::string proxy;
  uint32_t accessType = 99;
  std::string headers;
  uint32_t flags = 0;
  uint32_t timeout = 0;
  int open = 0;  // handles not yet closed

  uint32_t AttemptConnect() override {
    calls.push_back("AttemptConnect");
    return attemptResult;
  }
  Handle Open(const std::string& agent, uint32_t type, const std::string& proxyText) override {
    calls.push_back("Open " + agent);
    accessType = type;
    proxy = proxyText;
    return openFails ? nullptr : New();
  }
  bool SetReceiveTimeout(Handle, uint32_t ms) override {
    timeout = ms;
    return true;
  }
  Handle OpenUrl(Handle, const std::string& url, const std::string& h, uint32_t f, CallEnd& end) override {
    calls.push_back("OpenUrl " + url);
    end = openUrlEnd;
    headers = h;
    flags = f;
    return openUrlFails ? nullptr : New();
  }
  std::optional<int> StatusCode(Handle) override { return status; }
  std::optional<HttpDate> LastModified(Handle) override { return lastModified; }
  std::optional<uint64_t> ContentLength(Handle) override { return contentLength; }
  bool Read(Handle, char* buffer, uint32_t size, uint32_t& read, CallEnd& end) override {
    reads.push_back(size);
    if (endless) {  // as many bytes as asked for, for ever
      std::fill_n(buffer, size, 'e');
      read = size;
      return true;
    }
    if (position >= stallAfter) {
      end = stallEnd;
      read = 0;
      return false;
    }
    read = static_cast<uint32_t>(std::min<size_t>({size, body.size() - position, stallAfter - position}));
    std::copy_n(body.data() + position, read, buffer);
    position += read;
    return !(read == 0 && readFailsAtEnd);
  }
  void Close(Handle) override { --open; }

  std::vector<uint32_t> reads;

 private:
  Handle New() {
    ++open;
    return reinterpret_cast<Handle>(static_cast<intptr_t>(calls.size()));
  }
  size_t position = 0;
};

struct FakeTarget : DownloadTarget {
  std::map<std::string, std::string> files;
  std::string current;
  bool createFails = false, writeFails = false, timesFail = false;
  std::optional<HttpDate> times;
  bool Create(const std::string& path) override {
    if (createFails) return false;
    current = path;
    files[path].clear();
    return true;
  }
  bool Write(const char* data, size_t size) override {
    if (writeFails) return false;
    files[current].append(data, size);
    return true;
  }
  void Close() override {}
  bool SetTimes(const std::string&, const HttpDate& time) override {
    if (timesFail) return false;
    times = time;
    return true;
  }
  void Remove(const std::string& path) override { files.erase(path); }
};

struct FakeView : DownloadView {
  std::vector<std::string> shown;  // "position|bytes|percent"
  std::vector<bool> animation;
  int pumps = 0;
  int stopAfterPumps = -1;
  void SetAnimation(bool on) override { animation.push_back(on); }
  void ShowProgress(int position, const std::string& bytes, const std::string& percent) override {
    shown.push_back(std::to_string(position) + "|" + bytes + "|" + percent);
  }
  void LetMessagesRun() override { ++pumps; }
  bool StopRequested() override { return stopAfterPumps >= 0 && pumps >= stopAfterPumps; }
};

class DownloadTest : public ::testing::Test {
 protected:
  DownloadResult Run(const std::string& url = "http://127.0.0.1/dl/archive.lzh", bool progress = true) {
    DownloadRequest request;
    request.url = url;
    request.folder = "C:\\dl";
    request.showProgress = progress;
    request.proxy = proxy;
    return Download(request, internet, target, view);
  }
  FakeInternet internet;
  FakeTarget target;
  FakeView view;
  ProxySettings proxy;
};

TEST_F(DownloadTest, SavesTheFileInBlocksWithProgressAndItsDate) {
  internet.body = std::string(2500, 'a');
  internet.contentLength = 2500;
  internet.lastModified = HttpDate{2025, 1, 1, 10, 20, 30};
  DownloadResult result = Run();
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(result.savedPath, "C:\\dl\\archive.lzh");
  EXPECT_EQ(target.files["C:\\dl\\archive.lzh"], internet.body);
  EXPECT_EQ(target.times, internet.lastModified);
  EXPECT_EQ(internet.reads, (std::vector<uint32_t>{1024, 1024, 1024, 1024}));
  EXPECT_EQ(view.shown, (std::vector<std::string>{"40|1024 byte / 2500 byte|40%", "81|2048 byte / 2500 byte|81%",
                                                  "100|2500 byte / 2500 byte|100%"}));
  EXPECT_EQ(view.pumps, 3);
  EXPECT_EQ(view.animation, (std::vector<bool>{true, false}));
  // The request: attempt-connect, the system's settings, no cache, any type.
  EXPECT_EQ(internet.calls, (std::vector<std::string>{"AttemptConnect", "Open MyApp",
                                                      "OpenUrl http://127.0.0.1/dl/archive.lzh"}));
  EXPECT_EQ(internet.accessType, 0u);
  EXPECT_EQ(internet.headers, "Accept:*/*\r\n\r\n");
  EXPECT_EQ(internet.flags, 0x80000000u);
  EXPECT_EQ(internet.timeout, 30000u);
  EXPECT_EQ(internet.open, 0);
}

TEST_F(DownloadTest, ThroughAProxyNoAttemptConnect) {
  internet.body = "x";
  internet.contentLength = 1;
  struct Case {
    ProxySettings proxy;
    const char* text;
  };
  for (const Case& c : {Case{{true, "proxy.local", "8080"}, "proxy.local:8080"}, Case{{true, "", ""}, ":"},
                        Case{{true, "127.0.0.1", ""}, "127.0.0.1:"}}) {
    FakeInternet fresh = internet;
    proxy = c.proxy;
    DownloadRequest request{"http://h/f.txt", "C:\\dl", false, c.proxy};
    EXPECT_EQ(Download(request, fresh, target, view).code, 0);
    EXPECT_EQ(fresh.accessType, 3u);
    EXPECT_EQ(fresh.proxy, c.text);
    EXPECT_EQ(fresh.calls.front(), "Open MyApp");
  }
  EXPECT_TRUE(view.animation.empty());  // no progress display asked for
}

TEST_F(DownloadTest, ByteCountAgainstContentLength) {
  struct Case {
    const char* name;
    size_t bodyBytes;
    std::optional<uint64_t> length;
    bool breaks;
    int code;
    const char* error;
  };
  const Case cases[] = {
      {"exact", 3000, 3000, false, 0, ""},
      {"more than announced", 3000, 2000, false, 0, "ダウンロードに失敗した恐れがあります 3000/2000"},
      {"closed early", 1500, 3000, false, -1, "ダウンロードに失敗しました 1500/3000"},
      {"broken read", 1500, 3000, true, -1, "ダウンロードに失敗しました 1500/3000"},
      {"no length, ends normally", 3000, std::nullopt, false, 0, ""},
      {"no length, broken read", 3000, std::nullopt, true, -1, "ダウンロードに失敗しました 3000/不明"},
      {"empty file", 0, 0, false, 0, ""},
  };
  for (const Case& c : cases) {
    FakeInternet server;
    server.body = std::string(c.bodyBytes, 'z');
    server.contentLength = c.length;
    server.readFailsAtEnd = c.breaks;
    FakeView quiet;
    DownloadRequest request{"http://h/a.lzh", "C:\\dl\\", true, {}};
    DownloadResult result = Download(request, server, target, quiet);
    EXPECT_EQ(result.code, c.code) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(result.savedPath, "C:\\dl\\a.lzh") << c.name;  // one delimiter with or without the folder's own
    EXPECT_EQ(result.bytes, c.bodyBytes) << c.name;
  }
}

TEST_F(DownloadTest, NoLengthShowsBytesOnly) {
  internet.body = std::string(1500, 'q');
  Run();
  EXPECT_EQ(view.shown, (std::vector<std::string>{"0|1024 byte|", "0|1500 byte|"}));
}

TEST_F(DownloadTest, AbortRemovesThePartialFile) {
  internet.body = std::string(10 * 1024, 'p');
  internet.contentLength = internet.body.size();
  view.stopAfterPumps = 3;
  DownloadResult result = Run();
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.error, "ダウンロードに失敗しました 3072/10240");
  EXPECT_EQ(result.bytes, 3072u);
  EXPECT_FALSE(target.files.count("C:\\dl\\archive.lzh"));
  EXPECT_EQ(internet.open, 0);
  EXPECT_EQ(view.animation, (std::vector<bool>{true, false}));
}

TEST_F(DownloadTest, FailuresSayWhichStep) {
  struct Case {
    const char* name;
    std::function<void(FakeInternet&, FakeTarget&)> arrange;
    const char* error;
  };
  const Case cases[] = {
      {"attempt-connect", [](FakeInternet& i, FakeTarget&) { i.attemptResult = 1; }, "接続に失敗しました"},
      {"session", [](FakeInternet& i, FakeTarget&) { i.openFails = true; }, "InternetOpen()に失敗しました"},
      {"address", [](FakeInternet& i, FakeTarget&) { i.openUrlFails = true; }, "InternetOpenUrl()に失敗しました"},
      {"no headers for the stall time", [](FakeInternet& i, FakeTarget&) { i.openUrlEnd = CallEnd::kStalled; },
       "InternetOpenUrl()に失敗しました (30 秒間応答がありません)"},
      {"aborted before the headers", [](FakeInternet& i, FakeTarget&) { i.openUrlEnd = CallEnd::kAborted; },
       "InternetOpenUrl()に失敗しました (中止しました)"},
      {"404", [](FakeInternet& i, FakeTarget&) { i.status = 404; }, "InternetOpenUrl()に失敗しました (HTTP 404)"},
      {"file", [](FakeInternet&, FakeTarget& t) { t.createFails = true; }, "ファイルのオープンに失敗しました"},
      {"disk full", [](FakeInternet&, FakeTarget& t) { t.writeFails = true; },
       "ファイルの書き込みに失敗しました C:\\dl\\archive.lzh"},
      {"file times", [](FakeInternet&, FakeTarget& t) { t.timesFail = true; },
       "SetFileTime()に失敗しました C:\\dl\\archive.lzh"},
      {"stalled after the headers", [](FakeInternet& i, FakeTarget&) { i.stallAfter = 2; },
       "ダウンロードに失敗しました 2/4 (30 秒間応答がありません)"},
  };
  for (const Case& c : cases) {
    FakeInternet server;
    server.body = "data";
    server.contentLength = 4;
    server.lastModified = HttpDate{2024, 2, 29, 0, 0, 0};
    FakeTarget file;
    c.arrange(server, file);
    FakeView quiet;
    DownloadRequest request{"http://127.0.0.1/dl/archive.lzh", "C:\\dl", true, {}};
    DownloadResult result = Download(request, server, file, quiet);
    EXPECT_EQ(result.code, -1) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
    // Nothing of a failed download stays to be taken for the file.
    EXPECT_TRUE(file.files.empty()) << c.name;
    EXPECT_EQ(server.open, 0) << c.name;
    EXPECT_EQ(quiet.animation, (std::vector<bool>{true, false})) << c.name;
  }
}

TEST_F(DownloadTest, NoLastModifiedKeepsTheWritingTime) {
  internet.body = "v";
  internet.contentLength = 1;
  EXPECT_EQ(Run().code, 0);
  EXPECT_EQ(target.times, std::nullopt);
}

TEST_F(DownloadTest, ReadsNoMoreThanAllowedWhileReading) {
  struct Case {
    const char* name;
    bool endless;
    size_t bodyBytes;
    std::optional<uint64_t> length;
    uint64_t maxBytes;
    int code;
    const char* error;
    std::vector<uint32_t> reads;
  };
  const Case cases[] = {
      {"exactly the limit", false, 2048, 2048, 2048, 0, "", {1024, 1024, 1}},
      {"one byte short of the limit", false, 2047, std::nullopt, 2048, 0, "", {1024, 1024, 2}},
      {"one byte more than the limit", false, 2049, std::nullopt, 2048, -1,
       "ダウンロードに失敗しました 2049/不明 (2048 byte を超えています)", {1024, 1024, 1}},
      {"endless, no length", true, 0, std::nullopt, 2500, -1,
       "ダウンロードに失敗しました 2501/不明 (2500 byte を超えています)", {1024, 1024, 453}},
      {"endless under a small length", true, 0, 100, 2500, -1,
       "ダウンロードに失敗しました 2501/100 (2500 byte を超えています)", {1024, 1024, 453}},
      {"announced more than the limit", false, 10, 2049, 2048, -1,
       "ダウンロードに失敗しました 0/2049 (2048 byte を超えています)", {}},
  };
  for (const Case& c : cases) {
    FakeInternet server;
    server.endless = c.endless;
    server.body = std::string(c.bodyBytes, 'b');
    server.contentLength = c.length;
    FakeTarget file;
    FakeView quiet;
    DownloadRequest request{"http://h/a.lzh", "C:\\dl", false, {}, c.maxBytes};
    DownloadResult result = Download(request, server, file, quiet);
    EXPECT_EQ(result.code, c.code) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(server.reads, c.reads) << c.name;
    EXPECT_EQ(file.files.count("C:\\dl\\a.lzh"), c.code == 0 ? 1u : 0u) << c.name;
    if (c.code == 0) {
      EXPECT_EQ(file.files["C:\\dl\\a.lzh"].size(), c.bodyBytes) << c.name;
    }
  }
}

TEST_F(DownloadTest, AnAbortWhileAReadWaitsFailsAndLeavesNoFile) {
  internet.body = std::string(5000, 'w');
  internet.contentLength = 5000;
  internet.stallAfter = 2048;
  internet.stallEnd = CallEnd::kAborted;
  DownloadResult result = Run();
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.error, "ダウンロードに失敗しました 2048/5000");
  EXPECT_TRUE(target.files.empty());
  EXPECT_EQ(internet.open, 0);
}

TEST(DownloadFileName, OnlyPlainNames) {
  struct Case {
    std::string url;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {"http://h/a/version.txt", "version.txt"},
      {"http://h/drovenmk411.lzh", "drovenmk411.lzh"},
      {"version.txt", "version.txt"},
      {"http://h/a/", std::nullopt},
      {"http://h/..", std::nullopt},
      {"http://h/a\\..\\..\\evil.exe", std::nullopt},
      {"http://h/c:evil", std::nullopt},
      {"http://h/f.txt?x=1", std::nullopt},
      {"http://h/日本語.txt", "日本語.txt"},
      // Names Windows would open as a device or store under another name.
      {"http://h/CON", std::nullopt},
      {"http://h/con.txt", std::nullopt},
      {"http://h/lpt1", std::nullopt},
      {"http://h/console.txt", "console.txt"},
      {"http://h/a.", std::nullopt},
      {"http://h/a ", std::nullopt},
      {"http://h/...", std::nullopt},
      {"http://h/a:b", std::nullopt},
      {"http://h/a\tb", std::nullopt},
      {"http://h/a\x7F", std::nullopt},
      {"http://h/" + std::string(256, 'n'), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(DownloadFileName(c.url), c.name) << c.url;
}

TEST(DownloadFileName, TakesWhatTheExtractorTakes) {
  for (const char* name : {"drovenmk.exe", "CON", "nul.lzh", "COM9", "a.", "a ", "...", "a:b", "a\x01" "b", "x?.txt",
                           "<x>", "新機能.txt", "", ".", ".."}) {
    EXPECT_EQ(DownloadFileName(std::string("http://h/") + name).has_value(), lzh::NameProblem(name).empty())
        << name;
  }
}

TEST_F(DownloadTest, AnAddressThatNamesNoFileFailsBeforeConnecting) {
  DownloadResult result = Run("http://h/a\\..\\evil.exe");
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.error, "ファイル名が正しくありません http://h/a\\..\\evil.exe");
  EXPECT_TRUE(internet.calls.empty());
}

}  // namespace
}  // namespace dm
