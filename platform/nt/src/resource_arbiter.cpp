// The machine's record of claimed hardware resources (the ResourceMap):
// IoReportResourceUsage and IoAssignResources add to it and release from it,
// and a claim that overlaps someone else's is reported as a conflict.
#include <nt_model.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <sstream>

#include "ModelRegistration.h"
#include "UnicodeText.h"

namespace ntmodel {
namespace {

struct Range {
  INTERFACE_TYPE interface_type;
  ULONG bus_number;
  UCHAR type;
  UCHAR share;
  ULONGLONG start;
  ULONG length;
};

struct Claim {
  const DRIVER_OBJECT *driver;  // null: another driver, set up by a test
  const DEVICE_OBJECT *device;  // null: a driver-wide list
  std::vector<UCHAR> list;
  std::vector<Range> ranges;
};

struct ArbiterState {
  std::mutex mutex;
  std::vector<Claim> claims;
  std::vector<ResourceReportCall> report_calls;
  std::vector<AssignResourcesCall> assign_calls;
  NTSTATUS conflict_status = STATUS_SUCCESS;
  bool fail_report = false;
  NTSTATUS fail_report_status = STATUS_SUCCESS;
};

ArbiterState &State() {
  static ArbiterState state;
  return state;
}

void ResetArbiter() {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.claims.clear();
  s.report_calls.clear();
  s.assign_calls.clear();
  s.conflict_status = STATUS_SUCCESS;
  s.fail_report = false;
}

std::string Describe(const Range &range) {
  std::ostringstream out;
  out << (range.type == CmResourceTypePort ? "port" : "memory") << " 0x" << std::hex << range.start
      << std::dec << " length " << range.length;
  return out.str();
}

void CheckArbiter(std::vector<std::string> &found) {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const Claim &claim : s.claims) {
    if (claim.driver == nullptr) continue;  // not ours to release
    std::ostringstream out;
    out << "resource claim still reported for ";
    if (claim.device == nullptr) {
      out << "driver " << claim.driver;
    } else {
      out << "device " << claim.device;
    }
    for (const Range &range : claim.ranges) out << "; " << Describe(range);
    found.push_back(out.str());
  }
}

SubsystemRegistration g_registration(ResetArbiter, CheckArbiter);

// Reads the port and memory ranges of a list; false (after a report) when
// the list's own counts run past the size its caller gave.
bool ParseList(const UCHAR *bytes, ULONG size, std::vector<Range> &ranges, const char *routine) {
  const char *fault = nullptr;
  ULONG count = 0;
  if (size < sizeof(ULONG)) {
    fault = "is shorter than its count";
  } else {
    std::memcpy(&count, bytes, sizeof(count));
  }
  const size_t header = offsetof(CM_FULL_RESOURCE_DESCRIPTOR, PartialResourceList.PartialDescriptors);
  ULONGLONG offset = offsetof(CM_RESOURCE_LIST, List);
  for (ULONG i = 0; fault == nullptr && i < count; ++i) {
    if (offset + header > size) {
      fault = "runs past its size";
      break;
    }
    CM_FULL_RESOURCE_DESCRIPTOR full;
    std::memcpy(&full, bytes + offset, header);
    const ULONG partials = full.PartialResourceList.Count;
    offset += header;
    if (offset + ULONGLONG(partials) * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR) > size) {
      fault = "runs past its size";
      break;
    }
    for (ULONG j = 0; j < partials; ++j) {
      CM_PARTIAL_RESOURCE_DESCRIPTOR partial;
      std::memcpy(&partial, bytes + offset, sizeof(partial));
      offset += sizeof(partial);
      if (partial.Type == CmResourceTypePort || partial.Type == CmResourceTypeMemory) {
        ranges.push_back(Range{full.InterfaceType, full.BusNumber, partial.Type,
                               partial.ShareDisposition,
                               static_cast<ULONGLONG>(partial.u.Generic.Start.QuadPart),
                               partial.u.Generic.Length});
      }
    }
  }
  if (fault != nullptr) {
    ReportViolation(std::string(routine) + ": resource list " + fault);
    return false;
  }
  return true;
}

bool Overlap(const Range &a, const Range &b) {
  if (a.type != b.type || a.interface_type != b.interface_type || a.bus_number != b.bus_number) {
    return false;
  }
  if (a.length == 0 || b.length == 0) return false;
  if (a.share == CmResourceShareShared && b.share == CmResourceShareShared) return false;
  return a.start < b.start + b.length && b.start < a.start + a.length;
}

// A list competes with every other list in the map: other drivers' and the
// same driver's other devices'. Only its own entry and its driver's
// driver-wide list are left out.
bool Conflicts(const ArbiterState &s, const DRIVER_OBJECT *driver, const DEVICE_OBJECT *device,
               const std::vector<Range> &ranges) {
  for (const Claim &claim : s.claims) {
    if (claim.driver == driver && (claim.device == device || claim.device == nullptr || device == nullptr)) {
      continue;
    }
    for (const Range &mine : ranges) {
      for (const Range &theirs : claim.ranges) {
        if (Overlap(mine, theirs)) return true;
      }
    }
  }
  return false;
}

// Replaces (or, for an empty list, releases) the entry of driver and device.
void Store(ArbiterState &s, const DRIVER_OBJECT *driver, const DEVICE_OBJECT *device,
           const UCHAR *bytes, ULONG size, std::vector<Range> ranges) {
  auto &claims = s.claims;
  claims.erase(std::remove_if(claims.begin(), claims.end(),
                              [&](const Claim &c) { return c.driver == driver && c.device == device; }),
               claims.end());
  ULONG count = 0;
  std::memcpy(&count, bytes, sizeof(count));
  if (count == 0) return;
  claims.push_back(Claim{driver, device, std::vector<UCHAR>(bytes, bytes + size), std::move(ranges)});
}

}  // namespace

std::vector<ResourceReportCall> ResourceReportCalls() {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.report_calls;
}

std::vector<AssignResourcesCall> AssignResourcesCalls() {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.assign_calls;
}

std::vector<ResourceClaim> ResourceClaims() {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<ResourceClaim> out;
  for (const Claim &claim : s.claims) out.push_back(ResourceClaim{claim.driver, claim.device, claim.list});
  return out;
}

std::vector<UCHAR> ClaimedList(const DRIVER_OBJECT *driver, const DEVICE_OBJECT *device) {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const Claim &claim : s.claims) {
    if (claim.driver == driver && claim.device == device) return claim.list;
  }
  return {};
}

void ClaimPortsForAnotherDriver(ULONGLONG start, ULONG length, CM_SHARE_DISPOSITION share,
                                INTERFACE_TYPE interface_type, ULONG bus_number) {
  CM_RESOURCE_LIST list;
  std::memset(&list, 0, sizeof(list));
  list.Count = 1;
  list.List[0].InterfaceType = interface_type;
  list.List[0].BusNumber = bus_number;
  list.List[0].PartialResourceList.Count = 1;
  CM_PARTIAL_RESOURCE_DESCRIPTOR &port = list.List[0].PartialResourceList.PartialDescriptors[0];
  port.Type = CmResourceTypePort;
  port.ShareDisposition = static_cast<UCHAR>(share);
  port.Flags = CM_RESOURCE_PORT_IO;
  port.u.Port.Start.QuadPart = static_cast<LONGLONG>(start);
  port.u.Port.Length = length;

  const auto *bytes = reinterpret_cast<const UCHAR *>(&list);
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.claims.push_back(Claim{nullptr, nullptr, std::vector<UCHAR>(bytes, bytes + sizeof(list)),
                           {Range{interface_type, bus_number, CmResourceTypePort,
                                  static_cast<UCHAR>(share), start, length}}});
}

void SetConflictStatus(NTSTATUS status) {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.conflict_status = status;
}

void FailNextResourceReport(NTSTATUS status) {
  ArbiterState &s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fail_report = true;
  s.fail_report_status = status;
}

}  // namespace ntmodel

using ntmodel::ReportViolation;

NTSTATUS NTAPI IoReportResourceUsage(PUNICODE_STRING DriverClassName, PDRIVER_OBJECT DriverObject,
                                     PCM_RESOURCE_LIST DriverList, ULONG DriverListSize,
                                     PDEVICE_OBJECT DeviceObject, PCM_RESOURCE_LIST DeviceList,
                                     ULONG DeviceListSize, BOOLEAN OverrideConflict,
                                     PBOOLEAN ConflictDetected) {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    ReportViolation("IoReportResourceUsage called above PASSIVE_LEVEL");
  }
  if (DriverObject == nullptr || ConflictDetected == nullptr ||
      (DeviceList != nullptr && DeviceObject == nullptr)) {
    ReportViolation("IoReportResourceUsage without a driver object, a conflict flag, or the "
                    "device its device list belongs to");
    return STATUS_INVALID_PARAMETER;
  }
  if (DriverClassName != nullptr && !ntmodel::CheckUnicodeString(DriverClassName, "IoReportResourceUsage")) {
    return STATUS_INVALID_PARAMETER;
  }

  ntmodel::ResourceReportCall call{};
  call.class_name_given = DriverClassName != nullptr;
  call.driver = DriverObject;
  call.driver_list_given = DriverList != nullptr;
  call.driver_list_size = DriverListSize;
  call.device = DeviceObject;
  call.device_list_given = DeviceList != nullptr;
  if (DeviceList != nullptr) {
    const auto *bytes = reinterpret_cast<const UCHAR *>(DeviceList);
    call.device_list.assign(bytes, bytes + DeviceListSize);
  }
  call.device_list_size = DeviceListSize;
  call.override_conflict = OverrideConflict;

  ntmodel::ArbiterState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto finish = [&](NTSTATUS status) {
    call.status = status;
    call.conflict_detected = *ConflictDetected;
    s.report_calls.push_back(call);
    return status;
  };
  if (s.fail_report) {
    s.fail_report = false;
    return finish(s.fail_report_status);
  }

  std::vector<ntmodel::Range> driver_ranges;
  std::vector<ntmodel::Range> device_ranges;
  if ((DriverList != nullptr &&
       !ntmodel::ParseList(reinterpret_cast<const UCHAR *>(DriverList), DriverListSize, driver_ranges,
                           "IoReportResourceUsage")) ||
      (DeviceList != nullptr &&
       !ntmodel::ParseList(reinterpret_cast<const UCHAR *>(DeviceList), DeviceListSize, device_ranges,
                           "IoReportResourceUsage"))) {
    return finish(STATUS_INVALID_PARAMETER);
  }

  const bool conflict = ntmodel::Conflicts(s, DriverObject, nullptr, driver_ranges) ||
                        ntmodel::Conflicts(s, DriverObject, DeviceObject, device_ranges);
  *ConflictDetected = conflict ? TRUE : FALSE;
  // Without override a conflicting list is not entered; the caller learns
  // of the conflict from the flag.
  if (conflict && !OverrideConflict) return finish(s.conflict_status);

  if (DriverList != nullptr) {
    ntmodel::Store(s, DriverObject, nullptr, reinterpret_cast<const UCHAR *>(DriverList),
                   DriverListSize, std::move(driver_ranges));
  }
  if (DeviceList != nullptr) {
    ntmodel::Store(s, DriverObject, DeviceObject, reinterpret_cast<const UCHAR *>(DeviceList),
                   DeviceListSize, std::move(device_ranges));
  }
  return finish(STATUS_SUCCESS);
}

NTSTATUS NTAPI IoAssignResources(PUNICODE_STRING RegistryPath, PUNICODE_STRING DriverClassName,
                                 PDRIVER_OBJECT DriverObject, PDEVICE_OBJECT DeviceObject,
                                 PIO_RESOURCE_REQUIREMENTS_LIST RequestedResources,
                                 PCM_RESOURCE_LIST *AllocatedResources) {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    ReportViolation("IoAssignResources called above PASSIVE_LEVEL");
  }
  if (DriverObject == nullptr || !ntmodel::CheckUnicodeString(RegistryPath, "IoAssignResources") ||
      (DriverClassName != nullptr && !ntmodel::CheckUnicodeString(DriverClassName, "IoAssignResources"))) {
    return STATUS_INVALID_PARAMETER;
  }
  ntmodel::AssignResourcesCall call{};
  call.registry_path = ntmodel::TextOf(RegistryPath);
  call.class_name_given = DriverClassName != nullptr;
  if (DriverClassName != nullptr) call.class_name = ntmodel::TextOf(DriverClassName);
  call.driver = DriverObject;
  call.device = DeviceObject;
  call.requested_given = RequestedResources != nullptr;
  call.allocated_given = AllocatedResources != nullptr;

  ntmodel::ArbiterState &s = ntmodel::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (RequestedResources != nullptr) {
    // This system only ever releases through IoAssignResources.
    ReportViolation("IoAssignResources with resource requirements is outside the kernel model");
    call.status = STATUS_UNSUCCESSFUL;
  } else {
    // No requirements: whatever the device holds is released.
    auto &claims = s.claims;
    claims.erase(std::remove_if(claims.begin(), claims.end(),
                                [&](const ntmodel::Claim &c) {
                                  return c.driver == DriverObject && c.device == DeviceObject;
                                }),
                 claims.end());
    call.status = STATUS_SUCCESS;
  }
  s.assign_calls.push_back(call);
  return call.status;
}
