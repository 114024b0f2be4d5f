// Registry controls of the Win32 model. The A calls work on the machine's one
// registry store (regstore::Machine(), \REGISTRY\MACHINE): HKEY_LOCAL_MACHINE
// is its root. Tests seed and inspect the tree through the store itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win32model {

// One registry call as the program made it.
struct RegistryCall {
  std::string function;  // "RegOpenKeyA", ...
  std::string path;      // the key it addressed, relative to the machine root (UTF-8)
  std::string value;     // the value name, for value calls
  LONG result = 0;
};
std::vector<RegistryCall> RegistryCalls();

struct OpenRegistryKey {
  HKEY handle;
  std::string path;
  std::string opened_by;
};
std::vector<OpenRegistryKey> OpenRegistryKeys();

// Makes the key at `path` and everything below it read-only for the program,
// as for a user without administrative rights: creating, deleting, writing
// values and opening for write access fail with ERROR_ACCESS_DENIED.
void DenyRegistryWrites(const std::string &path);

}  // namespace win32model
