// Shift-JIS conversion for the native build, through glibc's iconv (CP932
// is Microsoft's variant of Shift-JIS, the same table Windows uses).
#include <iconv.h>

#include <cerrno>

#include "base/sjis.h"
#include "base/text.h"

namespace dm {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  // Converts as much as possible; returns false at an unconvertible or
  // invalid sequence, leaving `in` at that point.
  bool Convert(std::string_view& in, std::string& out) {
    char buffer[1024];
    while (!in.empty()) {
      char* src = const_cast<char*>(in.data());
      size_t src_left = in.size();
      char* dst = buffer;
      size_t dst_left = sizeof buffer;
      size_t result = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(buffer, dst - buffer);
      in.remove_prefix(in.size() - src_left);
      if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string Utf8ToSjis(std::string_view utf8) {
  Converter converter("CP932", "UTF-8");
  std::string out;
  while (!converter.Convert(utf8, out)) {
    out += '?';
    size_t skip = Utf8CharLength(utf8, 0);
    utf8.remove_prefix(skip ? skip : 1);
  }
  return out;
}

std::string SjisToUtf8(std::string_view sjis) {
  Converter converter("UTF-8", "CP932");
  std::string out;
  while (!converter.Convert(sjis, out)) {
    out += "\xEF\xBF\xBD";
    unsigned char lead = static_cast<unsigned char>(sjis[0]);
    bool double_byte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    sjis.remove_prefix(double_byte && sjis.size() >= 2 ? 2 : 1);
  }
  return out;
}

}  // namespace dm
