#include "String.h"

void *CString::operator new(size_t size) noexcept {
  return ExAllocatePoolWithTag(PagedPool, size, FW_POOL_TAG);
}

void CString::operator delete(void *pointer) { FwPoolDelete(pointer); }

PWSTR CString::AllocateBuffer(ULONG size) {
  return static_cast<PWSTR>(ExAllocatePoolWithTag(PagedPool, size, FW_POOL_TAG));
}

// Zero at character index Length / 2. The room check only matters for texts
// beyond the 16-bit limit, where a capacity computation has wrapped.
void CString::Terminate() {
  const ULONG index = UnicodeString.Length / sizeof(WCHAR);
  if (UnicodeString.Buffer != NULL && (index + 1) * sizeof(WCHAR) <= UnicodeString.MaximumLength) {
    UnicodeString.Buffer[index] = 0;
  }
}

CString::CString() {
  UnicodeString.Length = 0;
  UnicodeString.MaximumLength = 0;
  UnicodeString.Buffer = NULL;
}

CString::CString(PCUNICODE_STRING source) : CString() {
  // One character more than the source's capacity, so the terminator always fits.
  const USHORT capacity = static_cast<USHORT>(source->MaximumLength + sizeof(WCHAR));
  UnicodeString.Buffer = CString::AllocateBuffer(capacity);
  if (UnicodeString.Buffer == NULL) return;
  UnicodeString.MaximumLength = capacity;
  RtlCopyUnicodeString(&UnicodeString, source);
  Terminate();
}

CString::CString(PCWSTR source) : CString() {
  UNICODE_STRING text;
  RtlInitUnicodeString(&text, source);
  const USHORT capacity = static_cast<USHORT>(text.MaximumLength + sizeof(WCHAR));
  UnicodeString.Buffer = CString::AllocateBuffer(capacity);
  if (UnicodeString.Buffer == NULL) return;
  UnicodeString.MaximumLength = capacity;
  RtlCopyUnicodeString(&UnicodeString, &text);
  Terminate();
}

CString::CString(const CString &source) : CString() {
  const USHORT capacity = source.UnicodeString.MaximumLength;
  if (capacity == 0) return;  // a copy of a string without buffer has none either
  UnicodeString.Buffer = CString::AllocateBuffer(capacity);
  if (UnicodeString.Buffer == NULL) return;
  UnicodeString.MaximumLength = capacity;
  RtlCopyUnicodeString(&UnicodeString, &source.UnicodeString);
  Terminate();
}

// 22 bytes: the ten digits of 4294967295 and the terminator.
CString::CString(ULONG value, ULONG radix) : CString() {
  const USHORT capacity = 22;
  UnicodeString.Buffer = CString::AllocateBuffer(capacity);
  if (UnicodeString.Buffer == NULL) return;
  UnicodeString.MaximumLength = capacity;
  // A conversion that fails (unknown radix, too many digits) leaves an empty
  // string; the kernel may have set a Length beyond the buffer by then.
  if (RtlIntegerToUnicodeString(value, radix, &UnicodeString) < 0) UnicodeString.Length = 0;
  Terminate();
}

CString::~CString() {
  if (UnicodeString.Buffer != NULL) ExFreePool(UnicodeString.Buffer);
}

CString &CString::operator=(const CString &source) {
  // Equal text, including assignment to itself: nothing to do, capacity kept.
  if (*this == source) return *this;

  const USHORT needed = static_cast<USHORT>(source.UnicodeString.Length + sizeof(WCHAR));
  if (UnicodeString.MaximumLength < needed) {
    PWSTR buffer = AllocateBuffer(needed);
    if (buffer == NULL) return *this;  // old text and buffer kept
    if (UnicodeString.Buffer != NULL) ExFreePool(UnicodeString.Buffer);
    UnicodeString.Buffer = buffer;
    UnicodeString.MaximumLength = needed;
  }
  RtlCopyUnicodeString(&UnicodeString, &source.UnicodeString);
  Terminate();
  return *this;
}

void CString::operator+=(const CString &tail) {
  const USHORT needed =
      static_cast<USHORT>(UnicodeString.Length + tail.UnicodeString.Length + sizeof(WCHAR));
  if (UnicodeString.MaximumLength < needed) {
    PWSTR buffer = AllocateBuffer(needed);
    if (buffer == NULL) return;  // unchanged
    // Move the old text over with the kernel's own copy (no C library here).
    UNICODE_STRING grown;
    grown.Length = 0;
    grown.MaximumLength = needed;
    grown.Buffer = buffer;
    RtlCopyUnicodeString(&grown, &UnicodeString);
    if (UnicodeString.Buffer != NULL) ExFreePool(UnicodeString.Buffer);
    UnicodeString.Buffer = buffer;
    UnicodeString.MaximumLength = needed;
  }
  // It fits by construction; appending a string to itself works too, since
  // the tail then reads the same record.
  RtlAppendUnicodeStringToString(&UnicodeString, &tail.UnicodeString);
  Terminate();
}

CString Concatenate(const CString &head, const CString &tail) {
  CString joined;
  const USHORT capacity =
      static_cast<USHORT>(head.UnicodeString.Length + tail.UnicodeString.Length + sizeof(WCHAR));
  joined.UnicodeString.Buffer = joined.CString::AllocateBuffer(capacity);
  if (joined.UnicodeString.Buffer != NULL) {
    joined.UnicodeString.MaximumLength = capacity;
    RtlCopyUnicodeString(&joined.UnicodeString, &head.UnicodeString);
    RtlAppendUnicodeStringToString(&joined.UnicodeString, &tail.UnicodeString);
    joined.Terminate();
  }
  // The result is always a fresh copy with exactly the joined capacity.
  return CString(joined);
}

UCHAR operator==(const CString &a, const CString &b) {
  return RtlEqualUnicodeString(&a.UnicodeString, &b.UnicodeString, FALSE) ? 1 : 0;
}

UCHAR CString::Mid(CString &target, USHORT first, USHORT last) const {
  const USHORT count = static_cast<USHORT>(UnicodeString.Length / sizeof(WCHAR));
  if (first >= count || last >= count || last < first) return 0;
  // Extracting into this same string would free the text being read.
  if (&target == this) return 0;

  if (target.UnicodeString.Buffer != NULL) ExFreePool(target.UnicodeString.Buffer);
  target.UnicodeString.Buffer = NULL;
  target.UnicodeString.Length = 0;
  target.UnicodeString.MaximumLength = 0;

  const ULONG characters = static_cast<ULONG>(last - first) + 1;
  PWSTR buffer = target.AllocateBuffer((characters + 1) * sizeof(WCHAR));
  if (buffer == NULL) return 0;

  UNICODE_STRING range;
  range.Length = static_cast<USHORT>(characters * sizeof(WCHAR));
  range.MaximumLength = range.Length;
  range.Buffer = UnicodeString.Buffer + first;
  target.UnicodeString.Buffer = buffer;
  target.UnicodeString.MaximumLength = static_cast<USHORT>(range.Length + sizeof(WCHAR));
  RtlCopyUnicodeString(&target.UnicodeString, &range);
  target.Terminate();
  return 1;
}

// The 16-bit wrap turns a count of 0 or above the length into an index past
// the end, which Mid refuses.
UCHAR CString::Left(CString &target, USHORT count) const {
  return Mid(target, 0, static_cast<USHORT>(count - 1));
}

UCHAR CString::Right(CString &target, USHORT count) const {
  const USHORT length = static_cast<USHORT>(UnicodeString.Length / sizeof(WCHAR));
  return Mid(target, static_cast<USHORT>(length - count), static_cast<USHORT>(length - 1));
}

LONG CString::Find(const CString &pattern, LONG start, UCHAR fromEnd) const {
  if (pattern.UnicodeString.Buffer == NULL) return -1;
  if (UnicodeString.Length < pattern.UnicodeString.Length) return -1;

  const LONG n = UnicodeString.Length / sizeof(WCHAR);
  const LONG m = pattern.UnicodeString.Length / sizeof(WCHAR);
  const LONG places = n - m + 1;
  if (start >= places || start < -places) return -1;

  // Each place tried is extracted and compared on its own; an extraction that
  // fails (no memory, or an empty pattern) ends the search unfound.
  CString candidate;
  LONG found = -1;
  if (start >= 0) {
    for (LONG i = start; i < places; ++i) {
      if (!Mid(candidate, static_cast<USHORT>(i), static_cast<USHORT>(i + m - 1))) break;
      if (RtlCompareUnicodeString(&candidate.UnicodeString, &pattern.UnicodeString, FALSE) == 0) {
        found = i;  // first character of the match
        break;
      }
    }
  } else {
    for (LONG e = n + start; e >= m - 1; --e) {
      if (!Mid(candidate, static_cast<USHORT>(e - m + 1), static_cast<USHORT>(e))) break;
      if (RtlCompareUnicodeString(&candidate.UnicodeString, &pattern.UnicodeString, FALSE) == 0) {
        found = e;  // last character of the match
        break;
      }
    }
  }
  if (found >= 0 && fromEnd) found = n - 1 - found;
  return found;
}
