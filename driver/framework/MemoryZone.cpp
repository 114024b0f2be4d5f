#include "MemoryZone.h"

void *CMemoryZone::operator new(size_t size) noexcept {
  return ExAllocatePoolWithTag(NonPagedPool, size, FW_POOL_TAG);
}

void CMemoryZone::operator delete(void *pointer) { FwPoolDelete(pointer); }

CMemoryZone::CMemoryZone(ULONG blockSize, USHORT blockCount, ULONG poolTag) {
  const ULONG rounded = (blockSize + 7) & ~7u;
  const ULONG segmentSize = blockCount * rounded + sizeof(ZONE_SEGMENT_HEADER);

  Segment = ExAllocatePoolWithTag(NonPagedPool, segmentSize, poolTag);
  if (Segment == NULL) {
    // Never reported: Allocate answers null from now on.
    InitStatus = STATUS_INSUFFICIENT_RESOURCES;
    return;
  }
  InitStatus = ExInitializeZone(&ZoneHeader, rounded, Segment, segmentSize);
  if (InitStatus >= 0) KeInitializeSpinLock(&ZoneLock);
}

CMemoryZone::~CMemoryZone() {
  if (Segment != NULL) ExFreePool(Segment);
}

PVOID CMemoryZone::Allocate() {
  if (InitStatus < 0) return NULL;
  // Unlocked early answer; the locked pop decides.
  if (ZoneHeader.FreeList.Next == NULL) return NULL;
  return ExInterlockedPopEntryList(&ZoneHeader.FreeList, &ZoneLock);
}

VOID CMemoryZone::Free(PVOID block) {
  if (InitStatus < 0) return;
  ExInterlockedPushEntryList(&ZoneHeader.FreeList, static_cast<PSINGLE_LIST_ENTRY>(block), &ZoneLock);
}
