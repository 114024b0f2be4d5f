// Creating one board device: the device object, then the CDorvik in its
// extension. A status raised while building comes back as the result, after
// the half-built device has been undone.
#pragma once

#include "Dorvik.h"

NTSTATUS CreateDevice(PDRIVER_OBJECT driverObject, PCWSTR deviceName, ULONG deviceType,
                      PUNICODE_STRING registryPath, ULONG boardNumber, CDorvik **board,
                      PDEVICE_OBJECT *deviceObject, PVOID context, ULONG deviceCharacteristics,
                      UCHAR exclusive, ULONG extraSize);
