// CString: the driver's counted wide string around a kernel UNICODE_STRING.
// Byte counts in the record, character counts in every operation; always
// zero-terminated while it has a buffer. Running out of pool never raises:
// each operation has a fixed outcome instead.
#pragma once

#include "FwPool.h"

class CString {
 public:
  // Paged, "FwkP", not zeroed. noexcept makes a new-expression test for null
  // and skip the constructor when the pool is exhausted.
  static void *operator new(size_t size) noexcept;
  static void operator delete(void *pointer);

  CString();
  explicit CString(PCUNICODE_STRING source);
  CString(PCWSTR source);  // NOLINT: built implicitly from wide literals, as callers expect
  CString(const CString &source);
  CString(ULONG value, ULONG radix);
  virtual ~CString();

  CString &operator=(const CString &source);
  void operator+=(const CString &tail);

  LONG Find(const CString &pattern, LONG start, UCHAR fromEnd) const;
  UCHAR Mid(CString &target, USHORT first, USHORT last) const;
  UCHAR Left(CString &target, USHORT count) const;
  UCHAR Right(CString &target, USHORT count) const;

  UNICODE_STRING UnicodeString;

 protected:
  virtual PWSTR AllocateBuffer(ULONG size);

 private:
  friend CString Concatenate(const CString &head, const CString &tail);
  void Terminate();
};

CString Concatenate(const CString &head, const CString &tail);
UCHAR operator==(const CString &a, const CString &b);
