// CDorvik: the board device, one per configured board, living in its device
// object's extension. The handlers use only the port record and the message
// buffer slot.
#pragma once

#include "Device.h"
#include "MsgBuffer.h"

class CDorvik : public CDevice {
 public:
  CDorvik(PDRIVER_OBJECT driverObject, PCWSTR deviceName, ULONG deviceType,
          PUNICODE_STRING registryPath, ULONG boardNumber, PDEVICE_OBJECT *deviceObject,
          PVOID context);
  virtual ~CDorvik();

  NTSTATUS DorvikIoctlDorvikCreate(PIRP irp, PIO_STACK_LOCATION stack);
  NTSTATUS DorvikIoctlDorvikClose(PIRP irp, PIO_STACK_LOCATION stack);
  NTSTATUS DorvikIoctlDorvikGetVersion(PIRP irp, PIO_STACK_LOCATION stack);
  NTSTATUS DorvikIoctlDorvikGetResource(PIRP irp, PIO_STACK_LOCATION stack);
  NTSTATUS DorvikIoctlDorvikDataSet(PIRP irp, PIO_STACK_LOCATION stack);
  NTSTATUS DorvikIoctlDorvikGetLastError(PIRP irp, PIO_STACK_LOCATION stack);
  NTSTATUS DorvikIoctlDorvikGetCH(PIRP irp, PIO_STACK_LOCATION stack);

  _FW_MAPPED_ADDRESS Port0;
  ULONG PortCount;  // set to 1 with Port0; nothing reads it
  CMsgBuffer *MsgBuffer;

 private:
  NTSTATUS InitializeBoard();
  // Puts replacement in the message-buffer slot and returns what it held.
  CMsgBuffer *TakeMsgBuffer(CMsgBuffer *replacement);
  // Unmaps Port0 if MapIoAddress had to map it into memory space.
  VOID UnmapPort();
};
