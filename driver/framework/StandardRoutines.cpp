// Open rule: a device is open either once for exclusive use or any number of
// times for shared use. Only whether the opener allows any sharing counts.
#include "StandardRoutines.h"

#include "Device.h"

namespace {

CDevice *DeviceOf(PDEVICE_OBJECT deviceObject) {
  return static_cast<CDevice *>(deviceObject->DeviceExtension);
}

NTSTATUS Complete(PIRP irp, NTSTATUS status) {
  irp->IoStatus.Status = status;
  IofCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

}  // namespace

VOID NTAPI FwDriverUnload(PDRIVER_OBJECT driverObject) {
  // Each destructor ends in IoDeleteDevice, which takes the device object out
  // of the driver's list, so the head is always the next one to destroy.
  for (;;) {
    PDEVICE_OBJECT deviceObject = driverObject->DeviceObject;
    if (deviceObject == NULL || deviceObject->DeviceExtension == NULL) return;
    delete DeviceOf(deviceObject);
  }
}

NTSTATUS NTAPI FwCreateFile(PDEVICE_OBJECT deviceObject, PIRP irp) {
  CDevice *device = DeviceOf(deviceObject);
  irp->IoStatus.Information = 0;
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);

  device->SavedIrql = KfAcquireSpinLock(&device->SpinLock);
  NTSTATUS status = STATUS_SUCCESS;
  if (stack->Parameters.Create.ShareAccess == 0) {
    if (device->OpenCount > 0) {
      status = STATUS_SHARING_VIOLATION;
    } else {
      device->ExclusiveOpen = TRUE;
    }
  } else if (device->ExclusiveOpen) {
    status = STATUS_SHARING_VIOLATION;
  }
  if (status == STATUS_SUCCESS) ++device->OpenCount;
  KfReleaseSpinLock(&device->SpinLock, device->SavedIrql);

  return Complete(irp, status);
}

NTSTATUS NTAPI FwCloseHandle(PDEVICE_OBJECT deviceObject, PIRP irp) {
  CDevice *device = DeviceOf(deviceObject);
  irp->IoStatus.Information = 0;

  device->SavedIrql = KfAcquireSpinLock(&device->SpinLock);
  --device->OpenCount;
  // While the device is open exclusively no other open exists, so any close ends it.
  device->ExclusiveOpen = FALSE;
  KfReleaseSpinLock(&device->SpinLock, device->SavedIrql);

  return Complete(irp, STATUS_SUCCESS);
}

NTSTATUS NTAPI FwCleanup(PDEVICE_OBJECT deviceObject, PIRP irp) {
  DeviceOf(deviceObject)->FlushQueue(IoGetCurrentIrpStackLocation(irp)->FileObject);
  irp->IoStatus.Information = 0;
  return Complete(irp, STATUS_SUCCESS);
}
