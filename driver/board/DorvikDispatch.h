// The driver's IRP_MJ_DEVICE_CONTROL routine.
#pragma once

#include "KernelApi.h"

NTSTATUS NTAPI DorvikIoctlDispatch(PDEVICE_OBJECT deviceObject, PIRP irp);
