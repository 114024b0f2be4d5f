// The driver's entry point: install the routines, then bring up boards 0, 1,
// 2, ... until the first one that cannot be built.
#include "DriverEntry.h"

#include <DorvikIoctl.h>

#include "CreateDevice.h"
#include "DorvikDispatch.h"
#include "DorvikRegistryLayout.h"
#include "Driver.h"
#include "InitSection.h"

namespace {
FW_INIT_DATA const WCHAR kDeviceNamePrefix[] = DORVIK_BOARD_KEY_PREFIX;
const ULONG kBoardNumbers = 16;
}  // namespace

extern "C" FW_INIT_CODE NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject,
                                                   PUNICODE_STRING registryPath) {
  CString deviceName;
  CDriver *driver = new CDriver(driverObject);
  if (driver == NULL) return STATUS_NO_MEMORY;
  driver->DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DorvikIoctlDispatch;

  ULONG created = 0;
  while (created < kBoardNumbers) {
    bool named;
    {
      CString number(created, 10);
      deviceName = Concatenate(CString(kDeviceNamePrefix), number);
      // A name cut short by an exhausted pool would name another device: stop
      // as for any board that cannot be built.
      named = number.UnicodeString.Length != 0 &&
              deviceName.UnicodeString.Length ==
                  sizeof(kDeviceNamePrefix) - sizeof(WCHAR) + number.UnicodeString.Length;
    }
    if (!named) break;
    CDorvik *board;
    PDEVICE_OBJECT deviceObject;
    const NTSTATUS status =
        CreateDevice(driverObject, deviceName.UnicodeString.Buffer, DORVIK_DEVICE_TYPE,
                     registryPath, created, &board, &deviceObject, NULL, 0, FALSE, 0);
    if (status < 0) break;
    ++created;
  }

  delete driver;
  return created >= 1 ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}
