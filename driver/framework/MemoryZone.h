// CMemoryZone: equal-sized blocks carved once from one non-paged segment, taken
// and given back at the head of the zone's free list under its spin lock.
#pragma once

#include "FwPool.h"

class CMemoryZone {
 public:
  static void *operator new(size_t size) noexcept;  // non-paged, "FwkP", not zeroed; null when exhausted
  static void operator delete(void *pointer);

  CMemoryZone(ULONG blockSize, USHORT blockCount, ULONG poolTag);
  virtual ~CMemoryZone();

  PVOID Allocate();
  VOID Free(PVOID block);

 protected:
  ZONE_HEADER ZoneHeader;
  KSPIN_LOCK ZoneLock;
  NTSTATUS InitStatus;
  PVOID Segment;
};
