// The system's service loader, as far as kernel drivers need it: read the
// service key, make the driver object, call the entry point with the key's
// path, and unload on request.
#include <RegistryStore.h>
#include <nt_system.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "ModelRegistration.h"
#include "UnicodeText.h"

namespace ntmodel {
namespace {
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kMachineRoot[] = "\\REGISTRY\\MACHINE\\";
const uint32_t kServiceKernelDriver = 1;

struct LoadedDriverRecord {
  DRIVER_OBJECT object;
  std::u16string registry_path;
  std::u16string driver_name;
  UNICODE_STRING registry_path_string;
};

std::mutex g_mutex;
std::map<std::string, std::unique_ptr<LoadedDriverRecord>> &Drivers() {
  static std::map<std::string, std::unique_ptr<LoadedDriverRecord>> drivers;
  return drivers;
}

std::string Key(const std::string &service) {
  std::string key;
  for (char c : service) key += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
  return key;
}

std::u16string Widen(const std::string &text) { return std::u16string(text.begin(), text.end()); }

void SetCounted(UNICODE_STRING &counted, std::u16string &text) {
  counted.Length = static_cast<USHORT>(text.size() * 2);
  counted.MaximumLength = static_cast<USHORT>(text.size() * 2 + 2);
  counted.Buffer = const_cast<PWSTR>(text.c_str());
}

// Every entry the driver does not set answers as the I/O manager's default does.
NTSTATUS NTAPI InvalidDeviceRequest(PDEVICE_OBJECT, PIRP irp) {
  irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
  irp->IoStatus.Information = 0;
  IofCompleteRequest(irp, IO_NO_INCREMENT);
  return STATUS_INVALID_DEVICE_REQUEST;
}

void CheckBackAtPassive(const char *routine) {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL || SpinLocksHeldByThisThread() != 0) {
    ReportViolation(std::string(routine) + " returned above PASSIVE_LEVEL or holding a spin lock");
    SetCurrentIrql(PASSIVE_LEVEL);
  }
}

SubsystemRegistration g_registration([] {
  std::lock_guard<std::mutex> lock(g_mutex);
  Drivers().clear();
});
}  // namespace

const char *OutcomeName(LoadOutcome outcome) {
  switch (outcome) {
    case LoadOutcome::kLoaded: return "loaded";
    case LoadOutcome::kNoServiceKey: return "no service key";
    case LoadOutcome::kNotKernelDriver: return "not a kernel driver";
    case LoadOutcome::kEntryFailed: return "entry point failed";
    case LoadOutcome::kAlreadyLoaded: return "already loaded";
  }
  return "?";
}

LoadResult LoadDriver(const std::string &service, PDRIVER_INITIALIZE entry) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (Drivers().count(Key(service))) return LoadResult{LoadOutcome::kAlreadyLoaded, 0};
  }
  regstore::Store &registry = regstore::Machine();
  std::optional<std::string> key = registry.CanonicalPath(kServicesKey + service);
  if (!key) return LoadResult{LoadOutcome::kNoServiceKey, 0};
  regstore::Value type;
  if (registry.QueryValue(*key, "Type", &type) != regstore::Status::kOk ||
      type.type != regstore::kRegDword || type.data.size() != 4 ||
      type.data[0] != kServiceKernelDriver || type.data[1] != 0 || type.data[2] != 0 ||
      type.data[3] != 0) {
    return LoadResult{LoadOutcome::kNotKernelDriver, 0};
  }

  auto record = std::make_unique<LoadedDriverRecord>();
  std::memset(&record->object, 0, sizeof(record->object));
  record->registry_path = Widen(kMachineRoot + *key);
  record->driver_name = u"\\Driver\\" + Widen(service);
  SetCounted(record->registry_path_string, record->registry_path);
  DRIVER_OBJECT &driver = record->object;
  driver.Type = 4;
  driver.Size = sizeof(DRIVER_OBJECT);
  SetCounted(driver.DriverName, record->driver_name);
  driver.DriverInit = entry;
  for (auto &routine : driver.MajorFunction) routine = InvalidDeviceRequest;

  SetCurrentIrql(PASSIVE_LEVEL);
  const NTSTATUS status = entry(&driver, &record->registry_path_string);
  CheckBackAtPassive("DriverEntry");
  if (status < 0) {
    // The system deletes the driver object; a failing entry point must have
    // deleted its device objects first.
    if (driver.DeviceObject != nullptr) {
      ReportViolation("DriverEntry failed but left device objects behind");
    }
    return LoadResult{LoadOutcome::kEntryFailed, status};
  }
  FinishDriverInitialization(&driver);
  std::lock_guard<std::mutex> lock(g_mutex);
  Drivers()[Key(service)] = std::move(record);
  return LoadResult{LoadOutcome::kLoaded, status};
}

bool UnloadDriver(const std::string &service) {
  LoadedDriverRecord *record;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Drivers().find(Key(service));
    if (it == Drivers().end()) return false;
    record = it->second.get();
  }
  if (record->object.DriverUnload == nullptr) return false;
  if (!OpenHandles().empty()) {
    // The system does not unload a driver whose devices are still open.
    ReportViolation("driver unloaded while handles to its devices are open");
  }
  SetCurrentIrql(PASSIVE_LEVEL);
  record->object.DriverUnload(&record->object);
  CheckBackAtPassive("DriverUnload");
  if (record->object.DeviceObject != nullptr) {
    ReportViolation("DriverUnload returned with device objects still present");
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  Drivers().erase(Key(service));
  return true;
}

PDRIVER_OBJECT LoadedDriver(const std::string &service) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Drivers().find(Key(service));
  return it == Drivers().end() ? nullptr : &it->second->object;
}

std::u16string ServiceKeyPath(const std::string &service) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Drivers().find(Key(service));
  return it == Drivers().end() ? std::u16string() : it->second->registry_path;
}

}  // namespace ntmodel
