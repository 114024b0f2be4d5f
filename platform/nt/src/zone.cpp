// Executive zones and the interlocked single-list operations.
#include <nt_model.h>

NTSTATUS NTAPI ExInitializeZone(PZONE_HEADER Zone, ULONG BlockSize, PVOID InitialSegment,
                                ULONG InitialSegmentSize) {
  // The platform's preconditions: 8-byte blocks and segment, room for one block.
  if ((BlockSize & 7) != 0 || (reinterpret_cast<ULONG_PTR>(InitialSegment) & 7) != 0 ||
      BlockSize > InitialSegmentSize || BlockSize == 0) {
    return STATUS_INVALID_PARAMETER;
  }
  auto *segment = static_cast<PZONE_SEGMENT_HEADER>(InitialSegment);
  Zone->BlockSize = BlockSize;
  Zone->SegmentList.Next = &segment->SegmentList;
  segment->SegmentList.Next = nullptr;
#if UINTPTR_MAX == 0xFFFFFFFFu
  segment->Reserved = nullptr;
#endif
  // Blocks are chained in address order, so the last block of the segment
  // ends up at the head of the free list.
  Zone->FreeList.Next = nullptr;
  char *block = static_cast<char *>(InitialSegment) + sizeof(ZONE_SEGMENT_HEADER);
  for (ULONG offset = sizeof(ZONE_SEGMENT_HEADER); offset + BlockSize <= InitialSegmentSize;
       offset += BlockSize) {
    auto *entry = reinterpret_cast<PSINGLE_LIST_ENTRY>(block);
    entry->Next = Zone->FreeList.Next;
    Zone->FreeList.Next = entry;
    block += BlockSize;
  }
  Zone->TotalSegmentSize = InitialSegmentSize;
  return STATUS_SUCCESS;
}

PSINGLE_LIST_ENTRY FASTCALL ExfInterlockedPopEntryList(PSINGLE_LIST_ENTRY ListHead,
                                                       PKSPIN_LOCK Lock) {
  KIRQL old = KfAcquireSpinLock(Lock);
  PSINGLE_LIST_ENTRY first = ListHead->Next;
  if (first != nullptr) ListHead->Next = first->Next;
  KfReleaseSpinLock(Lock, old);
  return first;
}

PSINGLE_LIST_ENTRY FASTCALL ExfInterlockedPushEntryList(PSINGLE_LIST_ENTRY ListHead,
                                                        PSINGLE_LIST_ENTRY ListEntry,
                                                        PKSPIN_LOCK Lock) {
  KIRQL old = KfAcquireSpinLock(Lock);
  PSINGLE_LIST_ENTRY first = ListHead->Next;
  ListEntry->Next = first;
  ListHead->Next = ListEntry;
  KfReleaseSpinLock(Lock, old);
  return first;
}
