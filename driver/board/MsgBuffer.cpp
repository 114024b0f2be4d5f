#include "MsgBuffer.h"

// The zone takes a 16-bit block count; a buffer is one block of 2 bytes per entry.
CMsgBuffer::CMsgBuffer(ULONG entryCount) : CMemoryZone(2 * entryCount, 1, DORVIK_MSG_BUFFER_TAG) {
  if (static_cast<LONG>(entryCount) < 0) {
    Entries = NULL;
    return;
  }
  Entries = static_cast<USHORT *>(Allocate());
  Reserved1 = Entries;
  Reserved2 = Entries;
  ReservedWord1 = 0;
  ReservedWord2 = 0;
  ReservedWord3 = 0;
  Capacity = entryCount;
}

CMsgBuffer::~CMsgBuffer() {
  if (Entries != NULL) Free(Entries);
}
