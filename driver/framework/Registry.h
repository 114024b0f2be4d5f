// CRegistry: reads the driver's configuration below one absolute key path:
// whether a key (or a value of that name) is present, and 32-bit values with
// the default the reader was made with.
#pragma once

#include "String.h"

class CRegistry {
 public:
  // Paged, "FwkP", not zeroed; null when the pool is exhausted (noexcept makes
  // the new-expression test for null and skip the constructor).
  static void *operator new(size_t size) noexcept;
  static void operator delete(void *pointer);

  CRegistry(const CString &basePath, ULONG defaultValue);
  virtual ~CRegistry();

  // Descends further: appends relativePath to the current path.
  void SetRelativePath(const CString &relativePath);
  // Reads value valueName of the key at the current path into *value. With
  // useDefault set, *value ends up holding the registry value or the default.
  NTSTATUS GetKey(const CString &valueName, ULONG *value, UCHAR useDefault);
  // True when name is a key below the current path, or else a value of the
  // key above its last component.
  UCHAR IsKeyPresent(const CString &name);

 protected:
  CString Path;        // absolute, ends with a backslash
  ULONG DefaultType;   // REG_DWORD with a default, REG_NONE without
  ULONG DefaultLength; // 4 with a default
  ULONG *DefaultData;  // the default in paged pool; null when that failed

 private:
  void EndPathWithBackslash();
  void StoreDefault(ULONG *value) const;
  static NTSTATUS OpenKey(CString &keyPath, HANDLE *handle);
};
