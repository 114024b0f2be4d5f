// One range of a board's bus addresses and where the driver reaches it.
#pragma once

#include "KernelApi.h"

struct _FW_MAPPED_ADDRESS {
  ULONG_PTR MappedAddress;  // translated port, or the virtual address MmMapIoSpace gave
  ULONG Length;
  PHYSICAL_ADDRESS BusAddress;
  ULONG AddressSpace;  // 1 I/O space, 0 memory space, as HalTranslateBusAddress takes it
  BOOLEAN Mapped;      // TRUE when MmMapIoSpace mapped it; the owner unmaps
};
