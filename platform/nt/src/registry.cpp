// Registry keys as kernel-mode drivers open and read them: ZwOpenKey,
// ZwQueryValueKey and ZwClose over the machine's registry store, with every
// open handle tracked so that one left open, or one closed twice, is caught.
//
// Value data come back as the store holds them; text values are stored as
// narrow text by the Win32 side and are not widened here.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "ModelRegistration.h"
#include "RegistryModel.h"
#include "RegistryStore.h"
#include "TextEncoding.h"
#include "UnicodeText.h"

namespace ntmodel {
namespace {

const std::u16string kMachinePrefix = u"\\REGISTRY\\MACHINE";
// Offset of Name and of Data in the two information records: three ULONGs.
const ULONG kValueInfoHeader = 3 * sizeof(ULONG);

struct HandleState {
  std::mutex mutex;
  std::map<HANDLE, std::string> open;  // handle -> store path of its key
  uintptr_t next = 0x8000'0004;        // kernel handles, a multiple of 4
};

HandleState &Handles() {
  static HandleState state;
  return state;
}

void ResetRegistry() {
  HandleState &s = Handles();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.open.clear();
  }
  regstore::Machine().Clear();
}

void CheckHandles(std::vector<std::string> &found) {
  HandleState &s = Handles();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const auto &entry : s.open) {
    std::ostringstream out;
    out << "registry key handle " << entry.first << " left open: " << KernelKeyName(entry.second);
    found.push_back(out.str());
  }
}

SubsystemRegistration g_registration(ResetRegistry, CheckHandles);

// Joins non-empty components; false when an empty one stands anywhere but last.
bool JoinComponents(const std::u16string &text, std::string *path) {
  std::string joined;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\\', start);
    if (end == std::u16string::npos) end = text.size();
    if (end == start) return false;  // "\\" inside, or a leading backslash
    if (!joined.empty()) joined += '\\';
    joined += regstore::Utf16ToUtf8(text.substr(start, end - start));
    start = end + 1;
  }
  *path = joined;
  return true;
}

bool HandlePath(HANDLE handle, std::string *path) {
  HandleState &s = Handles();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.open.find(handle);
  if (it == s.open.end()) return false;
  *path = it->second;
  return true;
}

std::string HandleText(HANDLE handle) {
  std::ostringstream out;
  out << handle;
  return out.str();
}

}  // namespace

void CheckRegistryIrql(const char *routine) {
  KIRQL irql = KeGetCurrentIrql();
  if (irql != PASSIVE_LEVEL) {
    ReportViolation(std::string(routine) + " called at IRQL " + std::to_string(irql) +
                    "; registry routines run at PASSIVE_LEVEL only");
  }
}

bool StorePathOfAbsoluteName(const std::u16string &name, std::string *path, NTSTATUS *status) {
  if (name.empty() || name[0] != u'\\') {
    *status = kStatusObjectPathSyntaxBad;
    return false;
  }
  std::u16string head = name.substr(0, kMachinePrefix.size());
  bool machine = FoldCase(head) == kMachinePrefix &&
                 (name.size() == kMachinePrefix.size() || name[kMachinePrefix.size()] == u'\\');
  if (!machine) {
    // Only the machine's hive exists in this model.
    *status = STATUS_OBJECT_NAME_NOT_FOUND;
    return false;
  }
  std::u16string rest = name.substr(std::min(name.size(), kMachinePrefix.size() + 1));
  if (!JoinComponents(rest, path)) {
    *status = STATUS_OBJECT_NAME_INVALID;
    return false;
  }
  return true;
}

bool StorePathOfRelativeName(const std::string &parent, const std::u16string &name,
                             std::string *path, NTSTATUS *status) {
  if (!name.empty() && name[0] == u'\\') {
    *status = kStatusObjectPathSyntaxBad;
    return false;
  }
  std::string below;
  if (!JoinComponents(name, &below)) {
    *status = STATUS_OBJECT_NAME_INVALID;
    return false;
  }
  *path = parent.empty() ? below : below.empty() ? parent : parent + "\\" + below;
  return true;
}

std::string KernelKeyName(const std::string &path) {
  return "\\REGISTRY\\MACHINE" + (path.empty() ? std::string() : "\\" + path);
}

}  // namespace ntmodel

using ntmodel::Handles;

NTSTATUS NTAPI ZwOpenKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                         POBJECT_ATTRIBUTES ObjectAttributes) {
  ntmodel::CheckRegistryIrql("ZwOpenKey");
  if (KeyHandle == nullptr || ObjectAttributes == nullptr) {
    ntmodel::ReportViolation("ZwOpenKey given a null handle or attributes pointer");
    return STATUS_ACCESS_VIOLATION;
  }
  if (ObjectAttributes->Length != sizeof(OBJECT_ATTRIBUTES)) {
    ntmodel::ReportViolation("ZwOpenKey given OBJECT_ATTRIBUTES whose Length is " +
                             std::to_string(ObjectAttributes->Length) + ", not " +
                             std::to_string(sizeof(OBJECT_ATTRIBUTES)));
    return STATUS_INVALID_PARAMETER;
  }
  if (!ntmodel::CheckUnicodeString(ObjectAttributes->ObjectName, "ZwOpenKey")) {
    return STATUS_INVALID_PARAMETER;
  }
  std::u16string name = ntmodel::TextOf(ObjectAttributes->ObjectName);
  std::string path;
  NTSTATUS status = STATUS_SUCCESS;
  if (ObjectAttributes->RootDirectory == nullptr) {
    if (!ntmodel::StorePathOfAbsoluteName(name, &path, &status)) return status;
  } else {
    std::string parent;
    if (!ntmodel::HandlePath(ObjectAttributes->RootDirectory, &parent)) {
      ntmodel::ReportViolation("ZwOpenKey relative to " +
                               ntmodel::HandleText(ObjectAttributes->RootDirectory) +
                               ", which is not an open registry key handle");
      return STATUS_INVALID_HANDLE;
    }
    if (!ntmodel::StorePathOfRelativeName(parent, name, &path, &status)) return status;
  }
  // The registry matches names without regard to case, whatever the attributes ask.
  if (!regstore::Machine().KeyExists(path)) return STATUS_OBJECT_NAME_NOT_FOUND;

  ntmodel::HandleState &s = Handles();
  std::lock_guard<std::mutex> lock(s.mutex);
  HANDLE handle = reinterpret_cast<HANDLE>(s.next);
  s.next += 4;
  s.open[handle] = path;
  *KeyHandle = handle;
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                               KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                               PVOID KeyValueInformation, ULONG Length, PULONG ResultLength) {
  ntmodel::CheckRegistryIrql("ZwQueryValueKey");
  std::string path;
  if (!ntmodel::HandlePath(KeyHandle, &path)) {
    ntmodel::ReportViolation("ZwQueryValueKey on " + ntmodel::HandleText(KeyHandle) +
                             ", which is not an open registry key handle");
    return STATUS_INVALID_HANDLE;
  }
  if (!ntmodel::CheckUnicodeString(ValueName, "ZwQueryValueKey")) return STATUS_INVALID_PARAMETER;
  if (ResultLength == nullptr || (KeyValueInformation == nullptr && Length != 0)) {
    ntmodel::ReportViolation("ZwQueryValueKey given a null result length or buffer pointer");
    return STATUS_ACCESS_VIOLATION;
  }
  if (KeyValueInformationClass != KeyValueBasicInformation &&
      KeyValueInformationClass != KeyValuePartialInformation) {
    ntmodel::ReportViolation("ZwQueryValueKey: information class " +
                             std::to_string(KeyValueInformationClass) + " is not modelled");
    return STATUS_INVALID_PARAMETER;
  }

  regstore::Value value;
  std::string name = regstore::Utf16ToUtf8(ntmodel::TextOf(ValueName));
  switch (regstore::Machine().QueryValue(path, name, &value)) {
    case regstore::Status::kOk:
      break;
    case regstore::Status::kKeyNotFound:
      return ntmodel::kStatusKeyDeleted;  // deleted while the handle was open
    default:
      return STATUS_OBJECT_NAME_NOT_FOUND;
  }

  // The basic record carries the value's name, the partial one its data.
  std::vector<UCHAR> tail;
  if (KeyValueInformationClass == KeyValueBasicInformation) {
    std::u16string stored_name = regstore::Utf8ToUtf16(value.name);
    tail.resize(stored_name.size() * sizeof(WCHAR));
    if (!tail.empty()) std::memcpy(tail.data(), stored_name.data(), tail.size());
  } else {
    tail.assign(value.data.begin(), value.data.end());
  }
  ULONG tail_length = static_cast<ULONG>(tail.size());
  *ResultLength = ntmodel::kValueInfoHeader + tail_length;
  if (Length < ntmodel::kValueInfoHeader) return STATUS_BUFFER_TOO_SMALL;

  // TitleIndex, Type, then NameLength or DataLength.
  ULONG header[3] = {0, value.type, tail_length};
  std::memcpy(KeyValueInformation, header, sizeof header);
  UCHAR *out = static_cast<UCHAR *>(KeyValueInformation) + ntmodel::kValueInfoHeader;
  ULONG room = Length - ntmodel::kValueInfoHeader;
  if (room >= tail_length) {
    if (tail_length != 0) std::memcpy(out, tail.data(), tail_length);
    return STATUS_SUCCESS;
  }
  // A name is cut to what fits; data are given whole or not at all.
  if (KeyValueInformationClass == KeyValueBasicInformation && room != 0) {
    std::memcpy(out, tail.data(), room);
  }
  return STATUS_BUFFER_OVERFLOW;
}

NTSTATUS NTAPI ZwClose(HANDLE Handle) {
  ntmodel::CheckRegistryIrql("ZwClose");
  ntmodel::HandleState &s = Handles();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.open.erase(Handle) == 1) return STATUS_SUCCESS;
  }
  ntmodel::ReportViolation("ZwClose of " + ntmodel::HandleText(Handle) +
                           ", which is not an open handle");
  return STATUS_INVALID_HANDLE;
}

bool ntmodel::LoadRegistryText(const std::string &text, std::string *error) {
  regstore::ImportResult result = regstore::Machine().Import(text);
  if (!result.ok && error != nullptr) {
    *error = "line " + std::to_string(result.error_line) + ": " + result.error;
  }
  return result.ok;
}
