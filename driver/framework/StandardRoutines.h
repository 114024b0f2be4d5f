// The framework's open, close, cleanup and unload routines, as the driver
// object holds them.
#pragma once

#include "KernelApi.h"

VOID NTAPI FwDriverUnload(PDRIVER_OBJECT driverObject);
NTSTATUS NTAPI FwCreateFile(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS NTAPI FwCloseHandle(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS NTAPI FwCleanup(PDEVICE_OBJECT deviceObject, PIRP irp);
