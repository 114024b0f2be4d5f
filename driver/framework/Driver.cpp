#include "Driver.h"

#include "StandardRoutines.h"

void *CDriver::operator new(size_t size) noexcept {
  UCHAR *bytes = static_cast<UCHAR *>(ExAllocatePoolWithTag(PagedPool, size, FW_POOL_TAG));
  if (bytes == NULL) return NULL;
  for (size_t i = 0; i < size; ++i) bytes[i] = 0;
  return bytes;
}

void CDriver::operator delete(void *pointer) { FwPoolDelete(pointer); }

CDriver::CDriver(PDRIVER_OBJECT driverObject) {
  DriverObject = driverObject;
  DriverObject->DriverUnload = FwDriverUnload;
  DriverObject->MajorFunction[IRP_MJ_CREATE] = FwCreateFile;
  DriverObject->MajorFunction[IRP_MJ_CLOSE] = FwCloseHandle;
  DriverObject->MajorFunction[IRP_MJ_CLEANUP] = FwCleanup;
}

CDriver::~CDriver() {}
