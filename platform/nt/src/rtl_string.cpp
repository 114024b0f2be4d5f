// Runtime counted-string routines, with the platform's documented results:
// copies truncate to the destination's capacity and set Length, appends that
// do not fit change nothing, comparisons go by length and exact characters.
#include <ntddk.h>

#include <cstring>

namespace {
const USHORT kMaxTextBytes = 0xFFFC;  // the largest even Length that leaves room for a terminator

// Writes a terminator after the text when the buffer has room for one, as the
// platform's routines do; callers may not rely on it.
void TerminateIfRoom(PUNICODE_STRING string) {
  const ULONG end = string->Length / sizeof(WCHAR);
  if ((end + 1) * sizeof(WCHAR) <= string->MaximumLength) string->Buffer[end] = 0;
}

WCHAR UpcaseAscii(WCHAR c) { return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - (u'a' - u'A')) : c; }
}  // namespace

VOID NTAPI RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
  DestinationString->Buffer = const_cast<PWSTR>(SourceString);
  if (SourceString == nullptr) {
    DestinationString->Length = 0;
    DestinationString->MaximumLength = 0;
    return;
  }
  size_t bytes = 0;
  while (SourceString[bytes / sizeof(WCHAR)] != 0) bytes += sizeof(WCHAR);
  if (bytes > kMaxTextBytes) bytes = kMaxTextBytes;
  DestinationString->Length = static_cast<USHORT>(bytes);
  DestinationString->MaximumLength = static_cast<USHORT>(bytes + sizeof(WCHAR));
}

VOID NTAPI RtlCopyUnicodeString(PUNICODE_STRING DestinationString, PCUNICODE_STRING SourceString) {
  if (SourceString == nullptr) {
    DestinationString->Length = 0;
    return;
  }
  USHORT bytes = SourceString->Length;
  if (bytes > DestinationString->MaximumLength) bytes = DestinationString->MaximumLength;
  if (bytes != 0) std::memmove(DestinationString->Buffer, SourceString->Buffer, bytes);
  DestinationString->Length = bytes;
  TerminateIfRoom(DestinationString);
}

NTSTATUS NTAPI RtlAppendUnicodeStringToString(PUNICODE_STRING Destination, PCUNICODE_STRING Source) {
  const USHORT tail = Source->Length;
  if (tail == 0) return STATUS_SUCCESS;
  const ULONG total = static_cast<ULONG>(Destination->Length) + tail;
  if (total > Destination->MaximumLength) return STATUS_BUFFER_TOO_SMALL;
  // The source may be the destination itself.
  std::memmove(reinterpret_cast<UCHAR *>(Destination->Buffer) + Destination->Length, Source->Buffer,
               tail);
  Destination->Length = static_cast<USHORT>(total);
  TerminateIfRoom(Destination);
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI RtlIntegerToUnicodeString(ULONG Value, ULONG Base, PUNICODE_STRING String) {
  if (Base == 0) Base = 10;
  if (Base != 2 && Base != 8 && Base != 10 && Base != 16) return STATUS_INVALID_PARAMETER;

  WCHAR digits[32];  // enough for 32 binary digits
  size_t count = 0;
  do {
    const ULONG digit = Value % Base;
    digits[count++] = static_cast<WCHAR>(digit < 10 ? u'0' + digit : u'A' + (digit - 10));
    Value /= Base;
  } while (Value != 0);

  // The result is zero-terminated, so the terminator must fit as well.
  if ((count + 1) * sizeof(WCHAR) > String->MaximumLength) return STATUS_BUFFER_OVERFLOW;
  for (size_t i = 0; i < count; ++i) String->Buffer[i] = digits[count - 1 - i];
  String->Buffer[count] = 0;
  String->Length = static_cast<USHORT>(count * sizeof(WCHAR));
  return STATUS_SUCCESS;
}

LONG NTAPI RtlCompareUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                                   BOOLEAN CaseInSensitive) {
  const size_t n1 = String1->Length / sizeof(WCHAR);
  const size_t n2 = String2->Length / sizeof(WCHAR);
  const size_t common = n1 < n2 ? n1 : n2;
  for (size_t i = 0; i < common; ++i) {
    WCHAR c1 = String1->Buffer[i];
    WCHAR c2 = String2->Buffer[i];
    if (CaseInSensitive) {
      c1 = UpcaseAscii(c1);
      c2 = UpcaseAscii(c2);
    }
    if (c1 != c2) return static_cast<LONG>(c1) - static_cast<LONG>(c2);
  }
  return static_cast<LONG>(n1) - static_cast<LONG>(n2);
}

BOOLEAN NTAPI RtlEqualUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                                    BOOLEAN CaseInSensitive) {
  if (String1->Length != String2->Length) return FALSE;
  return RtlCompareUnicodeString(String1, String2, CaseInSensitive) == 0 ? TRUE : FALSE;
}
