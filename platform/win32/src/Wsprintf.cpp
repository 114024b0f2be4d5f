// wsprintfA: the user interface's own formatter. Its "l" size means 32 bits
// (a LONG), it knows no floating point, and it writes at most 1024 bytes with
// the NUL.
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>

#include <windows.h>

namespace {

constexpr size_t kLimit = 1024;

std::string Digits(unsigned long long value, unsigned base, bool upper) {
  const char *set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), set[value % base]);
    value /= base;
  } while (value != 0);
  return out;
}

}  // namespace

extern "C" int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
  std::string out;
  va_list args;
  va_start(args, lpFmt);
  for (const char *p = lpFmt; *p != '\0'; ++p) {
    if (*p != '%') {
      out.push_back(*p);
      continue;
    }
    ++p;
    bool left = false, zero = false, alternate = false;
    for (;; ++p) {
      if (*p == '-')
        left = true;
      else if (*p == '0')
        zero = true;
      else if (*p == '#')
        alternate = true;
      else
        break;
    }
    size_t width = 0;
    while (*p >= '0' && *p <= '9') width = width * 10 + static_cast<size_t>(*p++ - '0');
    bool has_precision = false;
    size_t precision = 0;
    if (*p == '.') {
      has_precision = true;
      ++p;
      while (*p >= '0' && *p <= '9') precision = precision * 10 + static_cast<size_t>(*p++ - '0');
    }
    bool wide64 = false;
    if (*p == 'l' || *p == 'h') {
      ++p;  // 32-bit LONG or 16-bit short: both arrive as an int
    } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
      wide64 = true;
      p += 3;
    }
    std::string field;
    std::string prefix;
    bool numeric = true;
    switch (*p) {
      case 'd':
      case 'i': {
        long long v = wide64 ? va_arg(args, long long) : va_arg(args, int);
        if (v < 0) prefix = "-";
        field = Digits(
            v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v),
            10, false);
        break;
      }
      case 'u':
        field = Digits(wide64 ? va_arg(args, unsigned long long) : va_arg(args, unsigned int), 10,
                       false);
        break;
      case 'x':
      case 'X': {
        unsigned long long v =
            wide64 ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
        field = Digits(v, 16, *p == 'X');
        if (alternate && v != 0) prefix = *p == 'X' ? "0X" : "0x";
        break;
      }
      case 'p':
        field = Digits(reinterpret_cast<uintptr_t>(va_arg(args, void *)), 16, true);
        field.insert(0, sizeof(void *) * 2 - std::min(field.size(), sizeof(void *) * 2), '0');
        break;
      case 'c':
        numeric = false;
        field = std::string(1, static_cast<char>(va_arg(args, int)));
        break;
      case 's': {
        numeric = false;
        const char *s = va_arg(args, const char *);
        field = s ? s : "(null)";
        if (has_precision && field.size() > precision) field.resize(precision);
        break;
      }
      case '\0':
        --p;
        continue;
      default:  // "%%" and unknown types write the character itself
        numeric = false;
        field = std::string(1, *p);
        break;
    }
    if (numeric && has_precision && field.size() < precision)
      field.insert(0, precision - field.size(), '0');
    size_t length = prefix.size() + field.size();
    if (length < width) {
      size_t pad = width - length;
      if (left)
        field.append(pad, ' ');
      else if (zero && numeric)
        field.insert(0, pad, '0');
      else
        prefix.insert(0, pad, ' ');
    }
    out += prefix + field;
  }
  va_end(args);
  if (out.size() > kLimit - 1) out.resize(kLimit - 1);
  std::memcpy(lpOut, out.c_str(), out.size() + 1);
  return static_cast<int>(out.size());
}
