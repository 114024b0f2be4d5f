#include "Resource.h"

// The platform's sizes on 32-bit x86: a list with one full descriptor and
// one partial descriptor, and each further partial descriptor.
static_assert(sizeof(void *) != 4 || sizeof(CM_RESOURCE_LIST) == 36,
              "CM_RESOURCE_LIST with one descriptor is 36 bytes");
static_assert(sizeof(void *) != 4 || sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR) == 16,
              "a partial resource descriptor is 16 bytes");

namespace {
void ZeroBytes(PVOID start, ULONG size) {
  PUCHAR bytes = static_cast<PUCHAR>(start);
  for (ULONG i = 0; i < size; ++i) bytes[i] = 0;
}
}  // namespace

void *CResource::operator new(size_t size) noexcept {
  PVOID object = ExAllocatePoolWithTag(PagedPool, size, FW_POOL_TAG);
  if (object != NULL) ZeroBytes(object, static_cast<ULONG>(size));
  return object;
}

void CResource::operator delete(void *pointer) { FwPoolDelete(pointer); }

// Valid, like every field not set here, starts FALSE from operator new.
CResource::CResource(INTERFACE_TYPE interfaceType, ULONG busNumber, CDevice *device,
                     ULONG maxDescriptors) {
  InterfaceType = interfaceType;
  BusNumber = busNumber;
  MaxDescriptors = maxDescriptors;
  Device = device;

  // The list has room for one partial descriptor; a maximum of 0 keeps it.
  LONG further = static_cast<LONG>(maxDescriptors - 1);
  if (further < 0) further = 0;
  ListSize = sizeof(CM_RESOURCE_LIST) + static_cast<ULONG>(further) * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR);

  ResourceList = static_cast<PCM_RESOURCE_LIST>(ExAllocatePoolWithTag(PagedPool, ListSize, FW_POOL_TAG));
  if (ResourceList == NULL) return;

  ZeroBytes(ResourceList, ListSize);
  ResourceList->Count = 1;
  ResourceList->List[0].InterfaceType = interfaceType;
  ResourceList->List[0].BusNumber = busNumber;
  ResourceList->List[0].PartialResourceList.Count = 0;
  Valid = TRUE;
}

CResource::~CResource() {
  if (ResourceList != NULL) {
    ExFreePool(ResourceList);
    ResourceList = NULL;
  }
}

BOOLEAN CResource::AddPortResource(const _FW_MAPPED_ADDRESS &range,
                                   CM_SHARE_DISPOSITION shareDisposition) {
  if (!Valid) return FALSE;
  CM_PARTIAL_RESOURCE_LIST &partials = ResourceList->List[0].PartialResourceList;
  const ULONG n = partials.Count;
  if (n >= MaxDescriptors) return FALSE;

  partials.Count = n + 1;
  CM_PARTIAL_RESOURCE_DESCRIPTOR &port = partials.PartialDescriptors[n];
  port.Type = CmResourceTypePort;
  port.ShareDisposition = static_cast<UCHAR>(shareDisposition);
  // How the range is reached after translation, not the bus's space.
  port.Flags = range.Mapped ? CM_RESOURCE_PORT_MEMORY : CM_RESOURCE_PORT_IO;
  port.u.Port.Start = range.BusAddress;
  port.u.Port.Length = range.Length;
  return TRUE;
}

NTSTATUS CResource::AssignCardsResources(const CString &name, PBOOLEAN conflictDetected,
                                         UCHAR overrideConflict) {
  (void)name;  // the report carries no class name
  if (!Valid) return STATUS_UNSUCCESSFUL;
  const NTSTATUS status =
      IoReportResourceUsage(NULL, Device->DriverObject, NULL, 0, Device->DeviceObject, ResourceList,
                            ListSize, overrideConflict, conflictDetected);
  // Also when a conflict was flagged: cleanup then releases whatever the
  // system kept of the report.
  if (status >= 0) Device->ResourceClaim = ClaimReported;
  return status;
}
