// The seven request handlers of the board device. Each checks its exact
// buffer lengths first and, on a mismatch, touches nothing at all.
#include <DorvikIoctl.h>

#include "Dorvik.h"

namespace {

const ULONG kBusyPollLimit = 5000;
const UCHAR kStatusBusy = 0x01;
const UCHAR kStatusCh2 = 0x04;
const UCHAR kStatusCh3 = 0x08;

bool LengthsAre(PIO_STACK_LOCATION stack, ULONG input, ULONG output) {
  return stack->Parameters.DeviceIoControl.InputBufferLength == input &&
         stack->Parameters.DeviceIoControl.OutputBufferLength == output;
}

// Word n of the system buffer: bytes 2n and 2n+1, little-endian.
USHORT ReadWord(PIRP irp, ULONG n) {
  const UCHAR *bytes = static_cast<const UCHAR *>(irp->AssociatedIrp.SystemBuffer);
  return static_cast<USHORT>(bytes[2 * n] | (bytes[2 * n + 1] << 8));
}

void WriteWord(PIRP irp, ULONG n, USHORT value) {
  UCHAR *bytes = static_cast<UCHAR *>(irp->AssociatedIrp.SystemBuffer);
  bytes[2 * n] = static_cast<UCHAR>(value & 0xFF);
  bytes[2 * n + 1] = static_cast<UCHAR>(value >> 8);
}

UCHAR *BufferBytes(PIRP irp) { return static_cast<UCHAR *>(irp->AssociatedIrp.SystemBuffer); }

}  // namespace

NTSTATUS CDorvik::DorvikIoctlDorvikCreate(PIRP irp, PIO_STACK_LOCATION stack) {
  if (!LengthsAre(stack, DORVIK_CREATE_INPUT_LENGTH, DORVIK_CREATE_OUTPUT_LENGTH)) {
    return STATUS_INVALID_PARAMETER;
  }
  // The slot is only ever taken and replaced with an interlocked exchange, so
  // a Create racing a Close can neither leak nor free a buffer twice. An
  // earlier buffer is released before the new one is made.
  delete TakeMsgBuffer(NULL);
  CMsgBuffer *buffer = new CMsgBuffer(DORVIK_MSG_BUFFER_ENTRIES);
  // Read the outcome before publishing: once in the slot, a Close may free it.
  const bool made = buffer != NULL && buffer->result() == 1;
  delete TakeMsgBuffer(buffer);

  if (made) {
    WriteWord(irp, 1, ReadWord(irp, 0));
    WriteWord(irp, 0, DORVIK_RESULT_DONE);
  } else {
    WriteWord(irp, 0, DORVIK_RESULT_NO_BUFFER);
  }
  irp->IoStatus.Information = DORVIK_CREATE_OUTPUT_LENGTH;
  return STATUS_SUCCESS;
}

NTSTATUS CDorvik::DorvikIoctlDorvikClose(PIRP irp, PIO_STACK_LOCATION stack) {
  if (!LengthsAre(stack, DORVIK_CLOSE_INPUT_LENGTH, DORVIK_CLOSE_OUTPUT_LENGTH)) {
    return STATUS_INVALID_PARAMETER;
  }
  WriteWord(irp, 0, DORVIK_RESULT_DONE);
  delete TakeMsgBuffer(NULL);
  irp->IoStatus.Information = DORVIK_CLOSE_OUTPUT_LENGTH;
  return STATUS_SUCCESS;
}

NTSTATUS CDorvik::DorvikIoctlDorvikGetVersion(PIRP irp, PIO_STACK_LOCATION stack) {
  if (stack->Parameters.DeviceIoControl.OutputBufferLength != DORVIK_GET_VERSION_OUTPUT_LENGTH) {
    return STATUS_INVALID_PARAMETER;
  }
  WriteWord(irp, 0, DORVIK_RESULT_DONE);
  WriteWord(irp, 2, static_cast<USHORT>(DORVIK_DRIVER_VERSION & 0xFFFF));
  WriteWord(irp, 3, static_cast<USHORT>(DORVIK_DRIVER_VERSION >> 16));
  irp->IoStatus.Information = DORVIK_GET_VERSION_OUTPUT_LENGTH;
  return STATUS_SUCCESS;
}

NTSTATUS CDorvik::DorvikIoctlDorvikGetResource(PIRP irp, PIO_STACK_LOCATION stack) {
  if (!LengthsAre(stack, DORVIK_GET_RESOURCE_INPUT_LENGTH, DORVIK_GET_RESOURCE_OUTPUT_LENGTH)) {
    return STATUS_INVALID_PARAMETER;
  }
  WriteWord(irp, 0, DORVIK_RESULT_DONE);
  WriteWord(irp, 1, static_cast<USHORT>(Port0.BusAddress.LowPart & 0xFFFF));
  irp->IoStatus.Information = DORVIK_GET_RESOURCE_OUTPUT_LENGTH;
  return STATUS_SUCCESS;
}

NTSTATUS CDorvik::DorvikIoctlDorvikDataSet(PIRP irp, PIO_STACK_LOCATION stack) {
  if (!LengthsAre(stack, DORVIK_DATA_SET_INPUT_LENGTH, DORVIK_DATA_SET_OUTPUT_LENGTH)) {
    return STATUS_INVALID_PARAMETER;
  }
  PUCHAR port = reinterpret_cast<PUCHAR>(Port0.MappedAddress);
  UCHAR status = 0;
  for (ULONG reads = 0; reads < kBusyPollLimit; ++reads) {
    status = READ_PORT_UCHAR(port);
    if ((status & kStatusBusy) == 0) break;
  }
  if ((status & kStatusBusy) != 0) {
    WriteWord(irp, 0, DORVIK_RESULT_BUSY);
  } else {
    WRITE_PORT_USHORT(reinterpret_cast<PUSHORT>(Port0.MappedAddress), ReadWord(irp, 1));
    WriteWord(irp, 0, DORVIK_RESULT_DONE);
  }
  irp->IoStatus.Information = DORVIK_DATA_SET_OUTPUT_LENGTH;
  return STATUS_SUCCESS;
}

NTSTATUS CDorvik::DorvikIoctlDorvikGetLastError(PIRP irp, PIO_STACK_LOCATION stack) {
  return STATUS_SUCCESS;
}

NTSTATUS CDorvik::DorvikIoctlDorvikGetCH(PIRP irp, PIO_STACK_LOCATION stack) {
  if (!LengthsAre(stack, DORVIK_GET_CH_INPUT_LENGTH, DORVIK_GET_CH_OUTPUT_LENGTH)) {
    return STATUS_INVALID_PARAMETER;
  }
  const UCHAR status = READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(Port0.MappedAddress));
  UCHAR *bytes = BufferBytes(irp);
  bytes[2] = (status & kStatusCh2) != 0 ? 1 : 0;
  bytes[3] = (status & kStatusCh3) != 0 ? 1 : 0;
  WriteWord(irp, 0, DORVIK_RESULT_DONE);
  irp->IoStatus.Information = DORVIK_GET_CH_OUTPUT_LENGTH;
  return STATUS_SUCCESS;
}

NTSTATUS CDorvik::InitializeBoard() { return STATUS_SUCCESS; }

CMsgBuffer *CDorvik::TakeMsgBuffer(CMsgBuffer *replacement) {
  return static_cast<CMsgBuffer *>(
      InterlockedExchangePointer(reinterpret_cast<PVOID volatile *>(&MsgBuffer), replacement));
}
