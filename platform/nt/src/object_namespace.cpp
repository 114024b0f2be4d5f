// The object namespace as drivers meet it: named device objects on their
// driver's device list, and symbolic links from \DosDevices to them.
#include <nt_model.h>

#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "ModelRegistration.h"
#include "UnicodeText.h"

namespace ntmodel {
namespace {

const CSHORT kDeviceObjectType = 3;
// Extensions are not zeroed; a pattern exposes code that relies on it.
const unsigned char kFreshExtension = 0xE7;
const unsigned char kDeletedExtension = 0xDD;

struct DeviceRecord {
  DEVICE_OBJECT object;
  unsigned char *extension;
  ULONG extension_size;
  std::u16string name;  // empty for an unnamed device
};

struct NameEntry {
  std::u16string display;  // the name as it was created
  DeviceRecord *device;    // null for a symbolic link
  std::u16string target;   // the link's target
};

struct NamespaceState {
  std::mutex mutex;
  std::map<const DEVICE_OBJECT *, DeviceRecord *> devices;
  std::map<std::u16string, NameEntry> names;  // by canonical name
  bool fail_device = false;
  NTSTATUS fail_device_status = STATUS_SUCCESS;
  bool fail_link = false;
  NTSTATUS fail_link_status = STATUS_SUCCESS;
  std::vector<SymbolicLinkCall> link_calls;
};

NamespaceState &State() {
  static NamespaceState state;
  return state;
}

void FreeRecord(DeviceRecord *record) {
  if (record->extension != nullptr) {
    std::memset(record->extension, kDeletedExtension, record->extension_size);
    delete[] record->extension;
  }
  delete record;
}

void ResetNamespace() {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto &entry : s.devices) FreeRecord(entry.second);
  s.devices.clear();
  s.names.clear();
  s.fail_device = false;
  s.fail_link = false;
  s.link_calls.clear();
}

void CheckNamespace(std::vector<std::string> &found) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto &entry : s.devices) {
    const DeviceRecord *record = entry.second;
    found.push_back(record->name.empty()
                        ? std::string("unnamed device object still exists")
                        : "device object " + Narrow(record->name) + " still exists");
  }
  for (auto &entry : s.names) {
    if (entry.second.device == nullptr) {
      found.push_back("symbolic link " + Narrow(entry.second.display) + " -> " +
                      Narrow(entry.second.target) + " still exists");
    }
  }
}

SubsystemRegistration g_registration(ResetNamespace, CheckNamespace);

// \??\ is the same directory as \DosDevices\.
std::u16string Canonical(const std::u16string &name) {
  std::u16string key = FoldCase(name);
  const std::u16string alias = u"\\??\\";
  if (key.compare(0, alias.size(), alias) == 0) key = u"\\DOSDEVICES\\" + key.substr(alias.size());
  return key;
}

// Names live in \Device or \DosDevices, one component below them.
NTSTATUS CheckName(const std::u16string &name) {
  if (name.empty() || name[0] != u'\\') return STATUS_OBJECT_NAME_INVALID;
  std::u16string key = Canonical(name);
  size_t last = key.rfind(u'\\');
  if (last + 1 == key.size()) return STATUS_OBJECT_NAME_INVALID;
  std::u16string directory = key.substr(0, last);
  if (directory != u"\\DEVICE" && directory != u"\\DOSDEVICES") return STATUS_OBJECT_PATH_NOT_FOUND;
  return STATUS_SUCCESS;
}

void RequirePassive(const char *routine) {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    ReportViolation(std::string(routine) + " called above PASSIVE_LEVEL");
  }
}

// Takes the state's lock.
const NameEntry *FindName(NamespaceState &s, const std::u16string &name) {
  auto it = s.names.find(Canonical(name));
  return it == s.names.end() ? nullptr : &it->second;
}

}  // namespace

PDEVICE_OBJECT FindDevice(const std::u16string &name) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const NameEntry *entry = FindName(s, name);
  return (entry != nullptr && entry->device != nullptr) ? &entry->device->object : nullptr;
}

bool DeviceExists(const DEVICE_OBJECT *device) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.devices.count(device) != 0;
}

std::u16string DeviceNameOf(const DEVICE_OBJECT *device) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.devices.find(device);
  return it == s.devices.end() ? std::u16string() : it->second->name;
}

ULONG DeviceExtensionSize(const DEVICE_OBJECT *device) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.devices.find(device);
  return it == s.devices.end() ? 0 : it->second->extension_size;
}

bool SymbolicLinkExists(const std::u16string &link) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const NameEntry *entry = FindName(s, link);
  return entry != nullptr && entry->device == nullptr;
}

std::u16string SymbolicLinkTarget(const std::u16string &link) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const NameEntry *entry = FindName(s, link);
  return (entry != nullptr && entry->device == nullptr) ? entry->target : std::u16string();
}

PDEVICE_OBJECT ResolveWin32Name(const std::u16string &link) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::u16string name = link;
  // A link may lead to another link; a loop ends in "not found".
  for (int depth = 0; depth < 8; ++depth) {
    const NameEntry *entry = FindName(s, name);
    if (entry == nullptr) return nullptr;
    if (entry->device != nullptr) return &entry->device->object;
    name = entry->target;
  }
  return nullptr;
}

void FinishDriverInitialization(PDRIVER_OBJECT driver) {
  for (PDEVICE_OBJECT device = driver->DeviceObject; device != nullptr; device = device->NextDevice) {
    device->Flags &= ~static_cast<ULONG>(DO_DEVICE_INITIALIZING);
  }
}

void FailNextCreateDevice(NTSTATUS status) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fail_device = true;
  s.fail_device_status = status;
}

void FailNextCreateSymbolicLink(NTSTATUS status) {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fail_link = true;
  s.fail_link_status = status;
}

std::vector<SymbolicLinkCall> SymbolicLinkCalls() {
  NamespaceState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.link_calls;
}

}  // namespace ntmodel

using ntmodel::ReportViolation;

NTSTATUS NTAPI IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                              PUNICODE_STRING DeviceName, ULONG DeviceType,
                              ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                              PDEVICE_OBJECT *DeviceObject) {
  ntmodel::RequirePassive("IoCreateDevice");
  if (DriverObject == nullptr || DeviceObject == nullptr) {
    ReportViolation("IoCreateDevice without a driver object or a place for the device object");
    return STATUS_INVALID_PARAMETER;
  }
  std::u16string name;
  if (DeviceName != nullptr) {
    if (!ntmodel::CheckUnicodeString(DeviceName, "IoCreateDevice")) return STATUS_OBJECT_NAME_INVALID;
    name = ntmodel::TextOf(DeviceName);
  }
  // An empty name makes an unnamed device, as no name at all does.
  if (!name.empty()) {
    NTSTATUS status = ntmodel::CheckName(name);
    if (!NT_SUCCESS(status)) return status;
  }

  ntmodel::NamespaceState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.fail_device) {
    s.fail_device = false;
    return s.fail_device_status;
  }
  const std::u16string key = ntmodel::Canonical(name);
  if (!name.empty() && s.names.count(key) != 0) return STATUS_OBJECT_NAME_COLLISION;

  auto *record = new ntmodel::DeviceRecord();
  std::memset(&record->object, 0, sizeof(record->object));
  record->extension_size = DeviceExtensionSize;
  record->extension = DeviceExtensionSize == 0 ? nullptr : new unsigned char[DeviceExtensionSize];
  if (record->extension != nullptr) {
    std::memset(record->extension, ntmodel::kFreshExtension, DeviceExtensionSize);
  }
  record->name = name;

  DEVICE_OBJECT &device = record->object;
  device.Type = ntmodel::kDeviceObjectType;
  device.Size = static_cast<USHORT>(sizeof(DEVICE_OBJECT) + DeviceExtensionSize);
  device.DriverObject = DriverObject;
  device.Flags = DO_DEVICE_INITIALIZING | (Exclusive ? DO_EXCLUSIVE : 0);
  device.Characteristics = DeviceCharacteristics;
  device.DeviceExtension = record->extension;
  device.DeviceType = DeviceType;
  device.StackSize = 1;
  device.DeviceQueue.Size = sizeof(KDEVICE_QUEUE);
  device.DeviceQueue.DeviceListHead.Flink = &device.DeviceQueue.DeviceListHead;
  device.DeviceQueue.DeviceListHead.Blink = &device.DeviceQueue.DeviceListHead;

  // A new device joins the head of its driver's list.
  device.NextDevice = DriverObject->DeviceObject;
  DriverObject->DeviceObject = &device;

  s.devices[&device] = record;
  if (!name.empty()) s.names[key] = ntmodel::NameEntry{name, record, std::u16string()};
  *DeviceObject = &device;
  return STATUS_SUCCESS;
}

VOID NTAPI IoDeleteDevice(PDEVICE_OBJECT DeviceObject) {
  ntmodel::RequirePassive("IoDeleteDevice");
  ntmodel::NamespaceState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.devices.find(DeviceObject);
  if (it == s.devices.end()) {
    std::ostringstream out;
    out << "IoDeleteDevice of " << DeviceObject << ", which is not a device object";
    ReportViolation(out.str());
    return;
  }
  ntmodel::DeviceRecord *record = it->second;

  PDRIVER_OBJECT driver = DeviceObject->DriverObject;
  PDEVICE_OBJECT *link = &driver->DeviceObject;
  while (*link != nullptr && *link != DeviceObject) link = &(*link)->NextDevice;
  if (*link == DeviceObject) {
    *link = DeviceObject->NextDevice;
  } else {
    ReportViolation("IoDeleteDevice: the device is missing from its driver's device list");
  }

  // Links to the device stay, dangling, as they do on NT.
  if (!record->name.empty()) s.names.erase(ntmodel::Canonical(record->name));
  s.devices.erase(it);
  ntmodel::FreeRecord(record);
}

NTSTATUS NTAPI IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName) {
  ntmodel::RequirePassive("IoCreateSymbolicLink");
  if (!ntmodel::CheckUnicodeString(SymbolicLinkName, "IoCreateSymbolicLink") ||
      !ntmodel::CheckUnicodeString(DeviceName, "IoCreateSymbolicLink")) {
    return STATUS_OBJECT_NAME_INVALID;
  }
  const std::u16string link = ntmodel::TextOf(SymbolicLinkName);
  const std::u16string target = ntmodel::TextOf(DeviceName);

  ntmodel::NamespaceState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  NTSTATUS status = ntmodel::CheckName(link);
  if (NT_SUCCESS(status) && s.fail_link) {
    s.fail_link = false;
    status = s.fail_link_status;
  }
  const std::u16string key = ntmodel::Canonical(link);
  if (NT_SUCCESS(status) && s.names.count(key) != 0) status = STATUS_OBJECT_NAME_COLLISION;
  // The target is looked up only when the link is followed.
  if (NT_SUCCESS(status)) s.names[key] = ntmodel::NameEntry{link, nullptr, target};
  s.link_calls.push_back(ntmodel::SymbolicLinkCall{true, link, target, status});
  return status;
}

NTSTATUS NTAPI IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName) {
  ntmodel::RequirePassive("IoDeleteSymbolicLink");
  if (!ntmodel::CheckUnicodeString(SymbolicLinkName, "IoDeleteSymbolicLink")) {
    return STATUS_OBJECT_NAME_INVALID;
  }
  const std::u16string link = ntmodel::TextOf(SymbolicLinkName);

  ntmodel::NamespaceState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  NTSTATUS status = STATUS_SUCCESS;
  auto it = s.names.find(ntmodel::Canonical(link));
  if (it == s.names.end()) {
    status = STATUS_OBJECT_NAME_NOT_FOUND;
  } else if (it->second.device != nullptr) {
    status = STATUS_OBJECT_TYPE_MISMATCH;
  } else {
    s.names.erase(it);
  }
  s.link_calls.push_back(ntmodel::SymbolicLinkCall{false, link, std::u16string(), status});
  return status;
}
