// The registry A calls over the machine's registry store. Key handles are
// tracked so that a key left open, or closed twice, is found; a handle whose
// key was deleted answers ERROR_KEY_DELETED, as the platform's does.
#include <RegistryStore.h>

#include <cstring>
#include <map>

#include "ModelCore.h"

namespace win32model {
namespace {

struct KeyHandle {
  std::string path;  // relative to the machine root, as stored
  REGSAM access = 0;
  std::string opened_by;
  bool deleted = false;
};

struct Resolved {
  LONG error = ERROR_SUCCESS;
  std::string path;
  REGSAM access = 0;
  KeyHandle *handle = nullptr;  // null for HKEY_LOCAL_MACHINE
};

constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

std::map<uintptr_t, KeyHandle> g_keys;
std::vector<RegistryCall> g_calls;
std::vector<std::string> g_denied;

regstore::Store &Store() { return regstore::Machine(); }

bool IsPredefined(HKEY key) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  uintptr_t base = reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT);
  return value >= base && value <= base + 6;
}

Resolved Resolve(HKEY key, const char *function) {
  Resolved r;
  if (key == HKEY_LOCAL_MACHINE) {
    r.access = KEY_ALL_ACCESS;
    return r;
  }
  if (IsPredefined(key)) {
    ReportViolation(std::string(function) + ": only HKEY_LOCAL_MACHINE is modelled, not " +
                    detail::HandleText(key));
    r.error = ERROR_INVALID_HANDLE;
    return r;
  }
  auto it = g_keys.find(reinterpret_cast<uintptr_t>(key));
  if (it == g_keys.end()) {
    ReportViolation(std::string(function) + ": " + detail::HandleText(key) +
                    " is not an open registry key");
    r.error = ERROR_INVALID_HANDLE;
    return r;
  }
  r.handle = &it->second;
  r.path = it->second.path;
  r.access = it->second.access;
  if (it->second.deleted || !Store().KeyExists(r.path)) r.error = ERROR_KEY_DELETED;
  return r;
}

// Appends an ANSI subkey path; a leading backslash is refused as on the platform.
LONG JoinPath(const std::string &base, LPCSTR sub_key, std::string *path) {
  *path = base;
  if (sub_key == nullptr || sub_key[0] == '\0') return ERROR_SUCCESS;
  if (sub_key[0] == '\\') return ERROR_BAD_PATHNAME;
  std::string sub = AnsiToUtf8(sub_key);
  *path = base.empty() ? sub : base + "\\" + sub;
  return ERROR_SUCCESS;
}

bool WriteDenied(const std::string &path) {
  std::vector<std::string> target = regstore::SplitPath(path);
  for (const std::string &denied : g_denied) {
    std::vector<std::string> d = regstore::SplitPath(denied);
    if (d.size() > target.size()) continue;
    bool under = true;
    for (size_t i = 0; i < d.size() && under; ++i) under = regstore::NamesEqual(d[i], target[i]);
    if (under) return true;
  }
  return false;
}

// The rights a new handle to `path` gets, or ERROR_ACCESS_DENIED.
LONG Grant(const std::string &path, REGSAM desired, REGSAM *granted) {
  bool read_only = WriteDenied(path);
  if (desired & MAXIMUM_ALLOWED) {
    *granted = read_only ? KEY_READ : KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  if (read_only && (desired & kWriteRights)) return ERROR_ACCESS_DENIED;
  *granted = desired;
  return ERROR_SUCCESS;
}

HKEY NewKeyHandle(const std::string &path, REGSAM access, const char *function) {
  HKEY handle = detail::NewHandle<HKEY>();
  KeyHandle &key = g_keys[reinterpret_cast<uintptr_t>(handle)];
  key.path = Store().CanonicalPath(path).value_or(path);
  key.access = access;
  key.opened_by = function;
  return handle;
}

LONG Record(const char *function, const std::string &path, const std::string &value, LONG result) {
  RegistryCall call;
  call.function = function;
  call.path = path;
  call.value = value;
  call.result = result;
  g_calls.push_back(call);
  return result;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::string ValueName(LPCSTR name) { return name == nullptr ? std::string() : AnsiToUtf8(name); }

LONG OpenKey(const char *function, HKEY hKey, LPCSTR lpSubKey, REGSAM desired, PHKEY phkResult) {
  if (phkResult == nullptr) return Record(function, "", "", ERROR_INVALID_PARAMETER);
  *phkResult = nullptr;
  Resolved parent = Resolve(hKey, function);
  if (parent.error != ERROR_SUCCESS) return Record(function, parent.path, "", parent.error);
  std::string path;
  LONG status = JoinPath(parent.path, lpSubKey, &path);
  if (status != ERROR_SUCCESS) return Record(function, path, "", status);
  if (!Store().KeyExists(path)) return Record(function, path, "", ERROR_FILE_NOT_FOUND);
  REGSAM granted = 0;
  status = Grant(path, desired, &granted);
  if (status != ERROR_SUCCESS) return Record(function, path, "", status);
  *phkResult = NewKeyHandle(path, granted, function);
  return Record(function, path, "", ERROR_SUCCESS);
}

}  // namespace

std::vector<RegistryCall> RegistryCalls() { return g_calls; }

std::vector<OpenRegistryKey> OpenRegistryKeys() {
  std::vector<OpenRegistryKey> keys;
  for (const auto &entry : g_keys) {
    keys.push_back(
        {reinterpret_cast<HKEY>(entry.first), entry.second.path, entry.second.opened_by});
  }
  return keys;
}

void DenyRegistryWrites(const std::string &path) { g_denied.push_back(path); }

namespace detail {

void ResetRegistryModel() {
  g_keys.clear();
  g_calls.clear();
  g_denied.clear();
  Store().Clear();
}

void RegistryLeftBehind(std::vector<std::string> &items) {
  for (const auto &entry : g_keys) {
    items.push_back("registry key left open: " + entry.second.path + " (" + entry.second.opened_by +
                    ", handle " + HandleText(reinterpret_cast<void *>(entry.first)) + ")");
  }
}

}  // namespace detail
}  // namespace win32model

using namespace win32model;

extern "C" LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  if (phkResult != nullptr && (lpSubKey == nullptr || lpSubKey[0] == '\0')) {
    // The platform hands back the same handle for an empty subkey.
    Resolved r = Resolve(hKey, "RegOpenKeyA");
    *phkResult = r.error == ERROR_SUCCESS ? hKey : nullptr;
    return Record("RegOpenKeyA", r.path, "", r.error);
  }
  return OpenKey("RegOpenKeyA", hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult);
}

extern "C" LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                     PHKEY phkResult) {
  return OpenKey("RegOpenKeyExA", hKey, lpSubKey, samDesired, phkResult);
}

extern "C" LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                                       DWORD dwOptions, REGSAM samDesired,
                                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                       LPDWORD lpdwDisposition) {
  const char *function = "RegCreateKeyExA";
  if (phkResult == nullptr || lpSubKey == nullptr) {
    return Record(function, "", "", ERROR_INVALID_PARAMETER);
  }
  *phkResult = nullptr;
  Resolved parent = Resolve(hKey, function);
  if (parent.error != ERROR_SUCCESS) return Record(function, parent.path, "", parent.error);
  std::string path;
  LONG status = JoinPath(parent.path, lpSubKey, &path);
  if (status != ERROR_SUCCESS) return Record(function, path, "", status);
  bool exists = Store().KeyExists(path);
  if (!exists && ((parent.access & KEY_CREATE_SUB_KEY) == 0 || WriteDenied(path))) {
    return Record(function, path, "", ERROR_ACCESS_DENIED);
  }
  REGSAM granted = 0;
  status = Grant(path, samDesired, &granted);
  if (status != ERROR_SUCCESS) return Record(function, path, "", status);
  bool created = !exists && Store().CreateKey(path);
  *phkResult = NewKeyHandle(path, granted, function);
  if (lpdwDisposition != nullptr) {
    *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  return Record(function, path, "", ERROR_SUCCESS);
}

extern "C" LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                        LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  const char *function = "RegQueryValueExA";
  std::string name = ValueName(lpValueName);
  Resolved key = Resolve(hKey, function);
  if (key.error != ERROR_SUCCESS) return Record(function, key.path, name, key.error);
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return Record(function, key.path, name, ERROR_INVALID_PARAMETER);
  }
  if ((key.access & KEY_QUERY_VALUE) == 0)
    return Record(function, key.path, name, ERROR_ACCESS_DENIED);
  regstore::Value value;
  if (Store().QueryValue(key.path, name, &value) != regstore::Status::kOk) {
    return Record(function, key.path, name, ERROR_FILE_NOT_FOUND);
  }
  // Strings are kept as UTF-8; the A form hands out their ANSI bytes.
  std::string bytes(value.data.begin(), value.data.end());
  if (IsStringType(value.type)) bytes = Utf8ToAnsi(bytes);
  if (lpType != nullptr) *lpType = value.type;
  if (lpcbData == nullptr) return Record(function, key.path, name, ERROR_SUCCESS);
  DWORD room = *lpcbData;
  *lpcbData = static_cast<DWORD>(bytes.size());
  if (lpData == nullptr) return Record(function, key.path, name, ERROR_SUCCESS);
  if (bytes.size() > room) return Record(function, key.path, name, ERROR_MORE_DATA);
  if (!bytes.empty()) std::memcpy(lpData, bytes.data(), bytes.size());
  return Record(function, key.path, name, ERROR_SUCCESS);
}

extern "C" LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                      CONST BYTE *lpData, DWORD cbData) {
  const char *function = "RegSetValueExA";
  std::string name = ValueName(lpValueName);
  Resolved key = Resolve(hKey, function);
  if (key.error != ERROR_SUCCESS) return Record(function, key.path, name, key.error);
  if (lpData == nullptr && cbData != 0) return Record(function, key.path, name, ERROR_NOACCESS);
  if ((key.access & KEY_SET_VALUE) == 0 || WriteDenied(key.path)) {
    return Record(function, key.path, name, ERROR_ACCESS_DENIED);
  }
  std::vector<uint8_t> data;
  if (cbData != 0) data.assign(lpData, lpData + cbData);
  if (IsStringType(dwType)) {
    std::string utf8 = AnsiToUtf8(std::string(data.begin(), data.end()));
    data.assign(utf8.begin(), utf8.end());
  }
  regstore::Status status = Store().SetValue(key.path, name, dwType, data);
  return Record(function, key.path, name,
                status == regstore::Status::kOk ? ERROR_SUCCESS : ERROR_KEY_DELETED);
}

extern "C" LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  const char *function = "RegDeleteKeyA";
  if (lpSubKey == nullptr) return Record(function, "", "", ERROR_INVALID_PARAMETER);
  Resolved parent = Resolve(hKey, function);
  if (parent.error != ERROR_SUCCESS) return Record(function, parent.path, "", parent.error);
  std::string path;
  LONG status = JoinPath(parent.path, lpSubKey, &path);
  if (status != ERROR_SUCCESS) return Record(function, path, "", status);
  if (regstore::SplitPath(path).empty()) return Record(function, path, "", ERROR_ACCESS_DENIED);
  if (!Store().KeyExists(path)) return Record(function, path, "", ERROR_FILE_NOT_FOUND);
  if (WriteDenied(path)) return Record(function, path, "", ERROR_ACCESS_DENIED);
  std::string canonical = Store().CanonicalPath(path).value_or(path);
  switch (Store().DeleteKey(path)) {
    case regstore::Status::kOk:
      break;
    case regstore::Status::kKeyNotFound:
      return Record(function, path, "", ERROR_FILE_NOT_FOUND);
    default:
      // A key with subkeys: Windows NT refuses to delete it.
      return Record(function, path, "", ERROR_ACCESS_DENIED);
  }
  for (auto &entry : g_keys) {
    if (regstore::NamesEqual(entry.second.path, canonical)) entry.second.deleted = true;
  }
  return Record(function, path, "", ERROR_SUCCESS);
}

extern "C" LONG WINAPI RegCloseKey(HKEY hKey) {
  if (IsPredefined(hKey)) return Record("RegCloseKey", "", "", ERROR_SUCCESS);
  auto it = g_keys.find(reinterpret_cast<uintptr_t>(hKey));
  if (it == g_keys.end()) {
    ReportViolation("RegCloseKey: " + detail::HandleText(hKey) + " is not an open registry key");
    return Record("RegCloseKey", "", "", ERROR_INVALID_HANDLE);
  }
  std::string path = it->second.path;
  g_keys.erase(it);
  return Record("RegCloseKey", path, "", ERROR_SUCCESS);
}
