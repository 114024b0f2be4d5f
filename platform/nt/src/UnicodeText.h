// Counted strings as the model's bookkeeping sees them: checked, copied into
// std::u16string, and printable in verifier reports.
#pragma once
#include <nt_model.h>

#include <string>

namespace ntmodel {

// Reports a malformed UNICODE_STRING (odd length, length past the buffer,
// no buffer) on behalf of routine and returns false.
inline bool CheckUnicodeString(PCUNICODE_STRING text, const char *routine) {
  if (text == nullptr) {
    ReportViolation(std::string(routine) + " given a null UNICODE_STRING");
    return false;
  }
  if (text->Length % 2 != 0 || text->Length > text->MaximumLength ||
      (text->Length != 0 && text->Buffer == nullptr)) {
    ReportViolation(std::string(routine) + " given a malformed UNICODE_STRING");
    return false;
  }
  return true;
}

inline std::u16string TextOf(PCUNICODE_STRING text) {
  return std::u16string(text->Buffer, text->Length / sizeof(WCHAR));
}

// Printable form: characters outside ASCII become '?'.
inline std::string Narrow(const std::u16string &text) {
  std::string out;
  for (char16_t c : text) out += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
  return out;
}

// Object names compare without regard to case (ASCII folding is enough here).
inline std::u16string FoldCase(const std::u16string &text) {
  std::u16string out = text;
  for (char16_t &c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

}  // namespace ntmodel
