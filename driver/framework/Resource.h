// CResource: the resource list of one device on one bus, reported to the
// system as the device's claim. Short-lived: the system keeps its own copy of
// the list, and the device releases the claim when it is cleaned up.
#pragma once

#include "Device.h"

class CResource {
 public:
  // Paged, "FwkP", zero-filled; null when exhausted (noexcept: the
  // new-expression then skips the constructor).
  static void *operator new(size_t size) noexcept;
  static void operator delete(void *pointer);

  CResource(INTERFACE_TYPE interfaceType, ULONG busNumber, CDevice *device, ULONG maxDescriptors);
  virtual ~CResource();

  BOOLEAN AddPortResource(const _FW_MAPPED_ADDRESS &range, CM_SHARE_DISPOSITION shareDisposition);
  NTSTATUS AssignCardsResources(const CString &name, PBOOLEAN conflictDetected,
                                UCHAR overrideConflict);

  CDevice *Device;
  PCM_RESOURCE_LIST ResourceList;
  ULONG MaxDescriptors;
  ULONG ListSize;
  BOOLEAN Valid;
  INTERFACE_TYPE InterfaceType;
  ULONG BusNumber;
};
