#include "CreateDevice.h"

#include "GuardedBlock.h"

namespace {
struct BuildRequest {
  PDRIVER_OBJECT driverObject;
  PCWSTR deviceName;
  ULONG deviceType;
  PUNICODE_STRING registryPath;
  ULONG boardNumber;
  CDorvik **board;
  PDEVICE_OBJECT *deviceObject;
  PVOID context;
  ULONG deviceCharacteristics;
  UCHAR exclusive;
  ULONG extraSize;
};

VOID BuildBoardDevice(PVOID context) {
  BuildRequest *request = static_cast<BuildRequest *>(context);
  *request->board = NULL;
  *request->deviceObject = NULL;
  // CDevice's operator new makes the device object and hands back its
  // zero-filled extension; it raises when the device object cannot be made.
  *request->board = new (request->driverObject, request->deviceName, request->deviceType,
                         request->deviceObject, request->deviceCharacteristics,
                         request->exclusive, request->extraSize)
      CDorvik(request->driverObject, request->deviceName, request->deviceType,
              request->registryPath, request->boardNumber, request->deviceObject,
              request->context);
}
}  // namespace

NTSTATUS CreateDevice(PDRIVER_OBJECT driverObject, PCWSTR deviceName, ULONG deviceType,
                      PUNICODE_STRING registryPath, ULONG boardNumber, CDorvik **board,
                      PDEVICE_OBJECT *deviceObject, PVOID context, ULONG deviceCharacteristics,
                      UCHAR exclusive, ULONG extraSize) {
  BuildRequest request = {driverObject, deviceName,    deviceType,            registryPath,
                          boardNumber,  board,         deviceObject,          context,
                          deviceCharacteristics,       exclusive,             extraSize};
  NTSTATUS status = FwCallGuarded(BuildBoardDevice, &request);
  if (status >= 0 && *board != NULL) return STATUS_SUCCESS;
  // A raise of a non-failure code still cut the building short.
  if (status >= 0) status = STATUS_UNSUCCESSFUL;

  // Whatever was raised, undo the framework's part of the half-built device.
  *board = NULL;
  if (*deviceObject != NULL && (*deviceObject)->DeviceExtension != NULL) {
    CleanupFromCreateDevice(static_cast<CDevice *>((*deviceObject)->DeviceExtension));
    *deviceObject = NULL;
  }
  return status;
}
