// Helpers shared by the string tests: reading a CString's text and checking
// that its record is consistent with the pool block behind it.
#pragma once

#include <KernelTest.h>
#include <String.h>

#include <string>

inline std::u16string TextOf(const CString &s) {
  if (s.UnicodeString.Buffer == nullptr) return std::u16string();
  return std::u16string(s.UnicodeString.Buffer, s.UnicodeString.Length / sizeof(WCHAR));
}

// Without a buffer both counts are 0; with one, the buffer is a paged pool
// block of exactly MaximumLength bytes, there is room for the terminator and
// the character after the text is zero.
inline ::testing::AssertionResult IsWellFormed(const CString &s) {
  const UNICODE_STRING &u = s.UnicodeString;
  if (u.Buffer == nullptr) {
    if (u.Length == 0 && u.MaximumLength == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no buffer but Length " << u.Length << ", MaximumLength "
                                         << u.MaximumLength;
  }
  if (u.Length % 2 != 0 || u.MaximumLength < u.Length + 2) {
    return ::testing::AssertionFailure() << "Length " << u.Length << " does not fit MaximumLength "
                                         << u.MaximumLength << " with a terminator";
  }
  bool found = false;
  for (const ntmodel::PoolBlock &block : ntmodel::OutstandingPool()) {
    if (block.address != u.Buffer) continue;
    found = true;
    if (block.type != PagedPool) return ::testing::AssertionFailure() << "buffer is not paged pool";
    if (block.size != u.MaximumLength) {
      return ::testing::AssertionFailure() << "pool block of " << block.size
                                           << " bytes behind MaximumLength " << u.MaximumLength;
    }
  }
  if (!found) return ::testing::AssertionFailure() << "buffer is not an allocated pool block";
  if (u.Buffer[u.Length / 2] != 0) return ::testing::AssertionFailure() << "no terminator after the text";
  return ::testing::AssertionSuccess();
}

inline bool HasNoBuffer(const CString &s) {
  return s.UnicodeString.Buffer == nullptr && s.UnicodeString.Length == 0 &&
         s.UnicodeString.MaximumLength == 0;
}

// A counted string over caller storage, as kernel callers hand them in.
inline UNICODE_STRING Counted(const char16_t *text, USHORT length, USHORT maximumLength) {
  UNICODE_STRING u;
  u.Length = length;
  u.MaximumLength = maximumLength;
  u.Buffer = const_cast<PWSTR>(text);
  return u;
}

const ULONG kFrameworkTag = 0x506B7746;  // "FwkP"

// A string built from text by its constructor, or one without buffer for null.
inline CString Make(const char16_t *text) { return text != nullptr ? CString(text) : CString(); }
