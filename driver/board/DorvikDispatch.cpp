#include "DorvikDispatch.h"

#include <DorvikIoctl.h>

#include "Dorvik.h"

NTSTATUS NTAPI DorvikIoctlDispatch(PDEVICE_OBJECT deviceObject, PIRP irp) {
  CDorvik *board = static_cast<CDorvik *>(deviceObject->DeviceExtension);
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  irp->IoStatus.Information = 0;

  NTSTATUS status;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_DORVIK_CREATE:
      status = board->DorvikIoctlDorvikCreate(irp, stack);
      break;
    case IOCTL_DORVIK_CLOSE:
      status = board->DorvikIoctlDorvikClose(irp, stack);
      break;
    case IOCTL_DORVIK_GET_VERSION:
      status = board->DorvikIoctlDorvikGetVersion(irp, stack);
      break;
    case IOCTL_DORVIK_GET_RESOURCE:
      status = board->DorvikIoctlDorvikGetResource(irp, stack);
      break;
    case IOCTL_DORVIK_DATA_SET:
      status = board->DorvikIoctlDorvikDataSet(irp, stack);
      break;
    case IOCTL_DORVIK_GET_LAST_ERROR:
      status = board->DorvikIoctlDorvikGetLastError(irp, stack);
      break;
    case IOCTL_DORVIK_GET_CH:
      status = board->DorvikIoctlDorvikGetCH(irp, stack);
      break;
    default:
      status = STATUS_INVALID_DEVICE_REQUEST;
      break;
  }

  // A handler that keeps its request completes it later itself.
  if (status != STATUS_PENDING) {
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
  }
  return status;
}
