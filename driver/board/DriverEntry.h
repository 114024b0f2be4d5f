// The driver's entry point, called once by the system's service loader.
#pragma once

#include "KernelApi.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);
