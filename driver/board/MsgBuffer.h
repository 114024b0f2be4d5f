// CMsgBuffer: the board device's message buffer, one block of 16-bit entries
// from a zone of its own.
#pragma once

#include "MemoryZone.h"

const ULONG DORVIK_MSG_BUFFER_TAG = 0x624D7644;  // "DvMb"
const ULONG DORVIK_MSG_BUFFER_ENTRIES = 100;

class CMsgBuffer : public CMemoryZone {
 public:
  explicit CMsgBuffer(ULONG entryCount);
  virtual ~CMsgBuffer();

  UCHAR result() const { return Entries != NULL ? 1 : 0; }

 private:
  USHORT *Entries;
  USHORT *Reserved1;
  USHORT *Reserved2;
  ULONG ReservedWord1;
  ULONG ReservedWord2;
  ULONG ReservedWord3;
  ULONG Capacity;
};
