// Code page 932 conversions, one character at a time through the C library's
// iconv ("CP932" is the platform's own mapping, half-width katakana included).
#include <iconv.h>

#include <cerrno>
#include <string>

#include <TextEncoding.h>
#include <win32_text.h>

namespace win32model {
namespace {

class Converter {
 public:
  Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;

  // Converts one whole character; false when it has no form on the other side.
  bool Convert(const char *in, size_t in_size, std::string *out) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char *in_ptr = const_cast<char *>(in);
    char *out_ptr = buffer;
    size_t in_left = in_size;
    size_t out_left = sizeof buffer;
    if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1) ||
        in_left != 0) {
      return false;
    }
    out->append(buffer, sizeof buffer - out_left);
    return true;
  }

 private:
  iconv_t cd_;
};

Converter &ToAnsi() {
  static Converter converter("CP932", "UTF-16LE");
  return converter;
}

Converter &FromAnsi() {
  static Converter converter("UTF-16LE", "CP932");
  return converter;
}

void AppendUtf16Le(char16_t unit, std::string *bytes) {
  bytes->push_back(static_cast<char>(unit & 0xFF));
  bytes->push_back(static_cast<char>(unit >> 8));
}

}  // namespace

bool IsAnsiLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t WholeCharacterPrefix(const std::string &ansi, size_t max_bytes) {
  size_t at = 0;
  while (at < ansi.size()) {
    size_t width =
        IsAnsiLeadByte(static_cast<unsigned char>(ansi[at])) && at + 1 < ansi.size() ? 2 : 1;
    if (at + width > max_bytes) break;
    at += width;
  }
  return at;
}

std::string Utf16ToAnsi(const std::u16string &text) {
  std::string ansi;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (unit < 0x80) {  // ASCII maps to itself, NUL included
      ansi.push_back(static_cast<char>(unit));
      continue;
    }
    std::string utf16;
    AppendUtf16Le(unit, &utf16);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf16Le(text[++i], &utf16);
    }
    if (!ToAnsi().Convert(utf16.data(), utf16.size(), &ansi)) ansi.push_back('?');
  }
  return ansi;
}

std::u16string AnsiToUtf16(const std::string &ansi) {
  std::u16string text;
  for (size_t i = 0; i < ansi.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(ansi[i]);
    if (byte < 0x80) {
      text.push_back(byte);
      continue;
    }
    size_t width = IsAnsiLeadByte(byte) ? 2 : 1;
    if (i + width > ansi.size()) {
      text.push_back(u'\uFFFD');
      break;
    }
    std::string utf16;
    if (FromAnsi().Convert(ansi.data() + i, width, &utf16) && utf16.size() % 2 == 0) {
      for (size_t k = 0; k < utf16.size(); k += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(utf16[k]) |
                                             (static_cast<unsigned char>(utf16[k + 1]) << 8)));
      }
    } else {
      text.push_back(u'\uFFFD');
    }
    i += width - 1;
  }
  return text;
}

std::string Utf16ToUtf8(const std::u16string &text) { return regstore::Utf16ToUtf8(text); }

std::u16string Utf8ToUtf16(const std::string &utf8) { return regstore::Utf8ToUtf16(utf8); }

std::string AnsiToUtf8(const std::string &ansi) { return Utf16ToUtf8(AnsiToUtf16(ansi)); }

std::string Utf8ToAnsi(const std::string &utf8) { return Utf16ToAnsi(Utf8ToUtf16(utf8)); }

}  // namespace win32model
