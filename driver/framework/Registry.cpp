#include "Registry.h"

namespace {
// Room for the KEY_VALUE_BASIC_INFORMATION header (12 bytes), a terminator and slack.
const ULONG kBasicInfoOverhead = 18;
}  // namespace

void *CRegistry::operator new(size_t size) noexcept { return CString::operator new(size); }

void CRegistry::operator delete(void *pointer) { FwPoolDelete(pointer); }

CRegistry::CRegistry(const CString &basePath, ULONG defaultValue) {
  Path = basePath;
  EndPathWithBackslash();
  DefaultData = static_cast<ULONG *>(ExAllocatePoolWithTag(PagedPool, sizeof(ULONG), FW_POOL_TAG));
  if (DefaultData != NULL) {
    *DefaultData = defaultValue;
    DefaultType = REG_DWORD;
    DefaultLength = sizeof(ULONG);
  } else {
    DefaultType = REG_NONE;
    DefaultLength = 0;
  }
}

CRegistry::~CRegistry() {
  if (DefaultData != NULL) ExFreePool(DefaultData);
}

// Find from the end gives 0 exactly when the path already ends with a backslash.
void CRegistry::EndPathWithBackslash() {
  const CString backslash(FW_WIDE("\\"));
  if (Path.Find(backslash, -1, TRUE) != 0) Path += backslash;
}

void CRegistry::SetRelativePath(const CString &relativePath) {
  Path += relativePath;
  EndPathWithBackslash();
}

void CRegistry::StoreDefault(ULONG *value) const {
  *value = (DefaultType == REG_DWORD) ? *DefaultData : 0;
}

NTSTATUS CRegistry::GetKey(const CString &valueName, ULONG *value, UCHAR useDefault) {
  // Without a path or a name there is nothing to ask: a null name would even
  // end the query table and leave the variable unwritten while reporting success.
  if (Path.UnicodeString.Buffer == NULL || valueName.UnicodeString.Buffer == NULL) {
    if (useDefault) StoreDefault(value);
    return STATUS_INSUFFICIENT_RESOURCES;
  }

  RTL_QUERY_REGISTRY_TABLE table[2] = {};
  table[0].QueryRoutine = NULL;
  table[0].Flags = RTL_QUERY_REGISTRY_DIRECT;
  table[0].Name = valueName.UnicodeString.Buffer;
  table[0].EntryContext = value;
  if (useDefault && DefaultType == REG_DWORD) {
    table[0].DefaultType = REG_DWORD;
    table[0].DefaultData = DefaultData;
    table[0].DefaultLength = DefaultLength;
  }

  const NTSTATUS status =
      RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, Path.UnicodeString.Buffer, table, NULL, NULL);
  if (!NT_SUCCESS(status) && useDefault) StoreDefault(value);
  return status;
}

NTSTATUS CRegistry::OpenKey(CString &keyPath, HANDLE *handle) {
  OBJECT_ATTRIBUTES attributes;
  // No OBJ_CASE_INSENSITIVE: registry names match without regard to case anyway.
  InitializeObjectAttributes(&attributes, &keyPath.UnicodeString, 0, NULL, NULL);
  return ZwOpenKey(handle, KEY_READ, &attributes);
}

UCHAR CRegistry::IsKeyPresent(const CString &name) {
  CString fullPath = Concatenate(Path, name);
  HANDLE handle;
  if (NT_SUCCESS(OpenKey(fullPath, &handle))) {
    ZwClose(handle);
    return TRUE;
  }

  // Else a value: the name's last component under the key above it.
  const CString backslash(FW_WIDE("\\"));
  const LONG separator = fullPath.Find(backslash, -2, FALSE);
  if (separator == -1) return FALSE;
  const USHORT length = static_cast<USHORT>(fullPath.UnicodeString.Length / sizeof(WCHAR));
  CString parent;
  CString leaf;
  // A cut that failed for want of pool would ask for the wrong key or for the
  // key's default value; it answers false instead.
  if (!fullPath.Left(parent, static_cast<USHORT>(separator + 1)) ||
      !fullPath.Right(leaf, static_cast<USHORT>(length - separator - 1))) {
    return FALSE;
  }
  if (!NT_SUCCESS(OpenKey(parent, &handle))) return FALSE;

  const ULONG size = (leaf.UnicodeString.Length & ~1u) + kBasicInfoOverhead;
  PVOID information = ExAllocatePoolWithTag(PagedPool, size, FW_POOL_TAG);
  if (information == NULL) {
    ZwClose(handle);
    return FALSE;
  }
  ULONG resultLength;
  const NTSTATUS status = ZwQueryValueKey(handle, &leaf.UnicodeString, KeyValueBasicInformation,
                                          information, size, &resultLength);
  ZwClose(handle);
  ExFreePool(information);
  return NT_SUCCESS(status) ? TRUE : FALSE;
}
