// Where archive bytes come from: a file read front to back, or memory in the
// tests. The reader never seeks backwards, so an archive is read once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace dm::lzh {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes; fewer only at the end of the data or on a read
  // error (then Failed() tells which).
  virtual size_t Read(uint8_t* out, size_t size) = 0;
  virtual bool Failed() const { return false; }
  // Goes back to the first byte; false when this source cannot.
  virtual bool Rewind() { return false; }
  // Passes over `size` bytes; false when the data ends first.
  virtual bool Skip(uint64_t size) {
    uint8_t scratch[4096];
    while (size > 0) {
      size_t chunk = static_cast<size_t>(std::min<uint64_t>(size, sizeof scratch));
      size_t got = Read(scratch, chunk);
      size -= got;
      if (got < chunk) return size == 0;
    }
    return true;
  }
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  size_t Read(uint8_t* out, size_t size) override {
    size_t n = std::min(size, bytes_.size() - position_);
    std::memcpy(out, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  bool Rewind() override {
    position_ = 0;
    return true;
  }
  bool Skip(uint64_t size) override {
    if (size > bytes_.size() - position_) {
      position_ = bytes_.size();
      return false;
    }
    position_ += static_cast<size_t>(size);
    return true;
  }

 private:
  std::string_view bytes_;
  size_t position_ = 0;
};

// At most `limit` bytes of another source: one entry's packed data.
class LimitedSource : public ByteSource {
 public:
  LimitedSource(ByteSource& inner, uint64_t limit) : inner_(inner), left_(limit) {}
  size_t Read(uint8_t* out, size_t size) override {
    size_t n = inner_.Read(out, static_cast<size_t>(std::min<uint64_t>(size, left_)));
    left_ -= n;
    return n;
  }
  bool Failed() const override { return inner_.Failed(); }
  bool Skip(uint64_t size) override {
    uint64_t n = std::min(size, left_);
    bool complete = inner_.Skip(n);
    left_ -= n;
    return complete && n == size;
  }
  uint64_t Left() const { return left_; }
  // Passes over what the decoder did not need, so the next header is read
  // at its place.
  bool SkipRest() { return Skip(left_); }

 private:
  ByteSource& inner_;
  uint64_t left_;
};

}  // namespace dm::lzh
