// RtlQueryRegistryValues over the machine's registry store: value names looked
// up in one key given by its absolute kernel name, each either written straight
// into the caller's variable (the direct flag) or handed to a query routine,
// with the entry's default standing in for a missing value.
#include <cstring>
#include <vector>

#include "RegistryModel.h"
#include "RegistryStore.h"
#include "TextEncoding.h"

namespace ntmodel {
namespace {

const ULONG kRegistryOptional = 0x80000000;  // RTL_REGISTRY_OPTIONAL
const ULONG kModelledFlags = RTL_QUERY_REGISTRY_REQUIRED | RTL_QUERY_REGISTRY_NOVALUE |
                             RTL_QUERY_REGISTRY_NOEXPAND | RTL_QUERY_REGISTRY_DIRECT;

bool IsText(ULONG type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::u16string WideText(PCWSTR text) {
  std::u16string out;
  while (*text != 0) out += *text++;
  return out;
}

// The direct flag: data of at most four bytes go into the variable itself;
// longer data into a buffer that starts with its size as a signed LONG, given
// negative for the data alone or positive for length, type and data.
NTSTATUS StoreDirect(PVOID context, ULONG type, const UCHAR *data, ULONG length) {
  if (IsText(type)) {
    ReportViolation("RtlQueryRegistryValues: direct query of a text value is not modelled");
    return STATUS_INVALID_PARAMETER;
  }
  if (length <= sizeof(ULONG)) {
    if (length != 0) std::memcpy(context, data, length);
    return STATUS_SUCCESS;
  }
  LONG size;
  std::memcpy(&size, context, sizeof size);
  UCHAR *out = static_cast<UCHAR *>(context);
  if (size < 0) {
    if (static_cast<ULONG>(-static_cast<int64_t>(size)) < length) return STATUS_BUFFER_TOO_SMALL;
    std::memcpy(out, data, length);
    return STATUS_SUCCESS;
  }
  if (static_cast<ULONG>(size) < 2 * sizeof(ULONG) + length) return STATUS_BUFFER_TOO_SMALL;
  ULONG header[2] = {length, type};
  std::memcpy(out, header, sizeof header);
  std::memcpy(out + sizeof header, data, length);
  return STATUS_SUCCESS;
}

NTSTATUS Deliver(const RTL_QUERY_REGISTRY_TABLE &entry, const std::string &name, ULONG type,
                 const UCHAR *data, ULONG length, PVOID context) {
  if (entry.Flags & RTL_QUERY_REGISTRY_DIRECT) {
    return StoreDirect(entry.EntryContext, type, data, length);
  }
  std::u16string wide_name = regstore::Utf8ToUtf16(name);  // zero-terminated by c_str()
  std::vector<UCHAR> copy(data, data + length);
  copy.push_back(0);  // never hand out a null data pointer
  return entry.QueryRoutine(const_cast<PWSTR>(wide_name.c_str()), type, copy.data(), length,
                            context, entry.EntryContext);
}

NTSTATUS QueryEntry(const std::string &key, const RTL_QUERY_REGISTRY_TABLE &entry,
                    PVOID context) {
  if (entry.Flags & ~kModelledFlags) {
    ReportViolation("RtlQueryRegistryValues: table flags " + std::to_string(entry.Flags) +
                    " are not modelled");
    return STATUS_INVALID_PARAMETER;
  }
  bool direct = (entry.Flags & RTL_QUERY_REGISTRY_DIRECT) != 0;
  if (direct && entry.Name == nullptr) return STATUS_INVALID_PARAMETER;
  if (!direct && entry.QueryRoutine == nullptr) return STATUS_INVALID_PARAMETER;
  if (direct && entry.EntryContext == nullptr) {
    ReportViolation("RtlQueryRegistryValues: direct entry without a variable (EntryContext null)");
    return STATUS_INVALID_PARAMETER;
  }

  if (entry.Name == nullptr) {
    if (entry.Flags & RTL_QUERY_REGISTRY_NOVALUE) {
      return entry.QueryRoutine(nullptr, REG_NONE, nullptr, 0, context, entry.EntryContext);
    }
    for (const regstore::Value &v : regstore::Machine().Values(key)) {
      NTSTATUS status = Deliver(entry, v.name, v.type, v.data.data(),
                                static_cast<ULONG>(v.data.size()), context);
      if (!NT_SUCCESS(status)) return status;
    }
    return STATUS_SUCCESS;
  }

  std::string name = regstore::Utf16ToUtf8(WideText(entry.Name));
  regstore::Value value;
  if (regstore::Machine().QueryValue(key, name, &value) == regstore::Status::kOk) {
    return Deliver(entry, value.name, value.type, value.data.data(),
                   static_cast<ULONG>(value.data.size()), context);
  }
  if (entry.Flags & RTL_QUERY_REGISTRY_REQUIRED) return STATUS_OBJECT_NAME_NOT_FOUND;
  if (entry.DefaultType == REG_NONE) return STATUS_SUCCESS;  // nothing written, no call
  if (entry.DefaultData == nullptr) {
    ReportViolation("RtlQueryRegistryValues: default of type " +
                    std::to_string(entry.DefaultType) + " without DefaultData");
    return STATUS_INVALID_PARAMETER;
  }
  ULONG length = entry.DefaultLength;
  if (length == 0 && IsText(entry.DefaultType)) {
    // A zero length asks for the length of the zero-terminated default text.
    length = static_cast<ULONG>((WideText(static_cast<PCWSTR>(entry.DefaultData)).size() + 1) *
                                sizeof(WCHAR));
  }
  return Deliver(entry, name, entry.DefaultType, static_cast<const UCHAR *>(entry.DefaultData),
                 length, context);
}

}  // namespace
}  // namespace ntmodel

NTSTATUS NTAPI RtlQueryRegistryValues(ULONG RelativeTo, PCWSTR Path,
                                      PRTL_QUERY_REGISTRY_TABLE QueryTable, PVOID Context,
                                      PVOID Environment) {
  ntmodel::CheckRegistryIrql("RtlQueryRegistryValues");
  bool optional = (RelativeTo & ntmodel::kRegistryOptional) != 0;
  if ((RelativeTo & ~ntmodel::kRegistryOptional) != RTL_REGISTRY_ABSOLUTE) {
    ntmodel::ReportViolation("RtlQueryRegistryValues: RelativeTo " + std::to_string(RelativeTo) +
                             " is not modelled; only absolute paths are");
    return STATUS_INVALID_PARAMETER;
  }
  if (Path == nullptr) {
    ntmodel::ReportViolation("RtlQueryRegistryValues given a null path");
    return STATUS_INVALID_PARAMETER;
  }
  if (QueryTable == nullptr) return STATUS_INVALID_PARAMETER;

  std::string key;
  NTSTATUS status = STATUS_SUCCESS;
  if (!ntmodel::StorePathOfAbsoluteName(ntmodel::WideText(Path), &key, &status)) {
    return optional && status == STATUS_OBJECT_NAME_NOT_FOUND ? STATUS_SUCCESS : status;
  }
  if (!regstore::Machine().KeyExists(key)) {
    return optional ? STATUS_SUCCESS : STATUS_OBJECT_NAME_NOT_FOUND;
  }
  for (PRTL_QUERY_REGISTRY_TABLE entry = QueryTable;
       entry->QueryRoutine != nullptr || entry->Name != nullptr; ++entry) {
    status = ntmodel::QueryEntry(key, *entry, Context);
    if (!NT_SUCCESS(status)) return status;
  }
  return STATUS_SUCCESS;
}
