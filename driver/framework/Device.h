// CBaseDevice and CDevice: a framework device lives in its NT device object's
// extension. CDevice::operator new creates the named device object and hands
// back its zero-filled extension, so the object and the device object are
// born and die together.
#pragma once

#include "FwPool.h"
#include "MappedAddress.h"
#include "String.h"

// Marks the destructor of CBaseDevice and of every class derived from it.
// The object lives in the extension that the base destructor frees with the
// device object; the host build's type sanitizer would clear the vtable
// pointer after each destructor, writing into that freed extension, which
// the platform's build never does.
#if defined(DORVIK_TARGET)
#define FW_DEVICE_DESTRUCTOR
#else
#define FW_DEVICE_DESTRUCTOR __attribute__((no_sanitize("vptr")))
#endif

class CBaseDevice {
 public:
  // The storage is the device extension: destroying the object frees nothing.
  static void operator delete(void *pointer) {}

  CBaseDevice();
  virtual ~CBaseDevice();
  void DeleteDevice();

  PDEVICE_OBJECT DeviceObject;
};

// How a device's hardware resources were claimed.
enum FW_RESOURCE_CLAIM : ULONG { ClaimNone = 0, ClaimAssigned = 1, ClaimReported = 2 };

class CDevice : public CBaseDevice {
 public:
  static void *operator new(size_t size, PDRIVER_OBJECT driverObject, PCWSTR deviceName,
                            ULONG deviceType, PDEVICE_OBJECT *deviceObject,
                            ULONG deviceCharacteristics, UCHAR exclusive, ULONG extraSize);
  // Matches the placement form; runs only if a constructor raised in a way
  // C++ can see, which never happens here. The extension goes with the device object.
  static void operator delete(void *pointer, PDRIVER_OBJECT, PCWSTR, ULONG, PDEVICE_OBJECT *,
                              ULONG, UCHAR, ULONG) {}
  static void operator delete(void *pointer) {}

  CDevice(PDRIVER_OBJECT driverObject, PCWSTR deviceName, ULONG deviceType,
          PDEVICE_OBJECT *deviceObject);
  virtual ~CDevice();

  NTSTATUS CreateWin32Name(const CString &linkName);
  NTSTATUS MapIoAddress(INTERFACE_TYPE interfaceType, ULONG busNumber, _FW_MAPPED_ADDRESS &range);
  VOID DisconnectInterrupt();
  VOID FlushQueue(PFILE_OBJECT fileObject);

  ULONG OpenCount;
  BOOLEAN ExclusiveOpen;
  PDRIVER_OBJECT DriverObject;
  ULONG DeviceType;
  CString DeviceName;
  CString Win32Name;
  CString *ClassName;
  // Two owned-object slots a derived device may fill; cleanup deletes them.
  CString *OwnedObject1;
  CString *OwnedObject2;
  PKINTERRUPT InterruptObject;
  ULONG ResourceClaim;
  CString RegistryPath;
  KSPIN_LOCK SpinLock;
  KIRQL SavedIrql;

 protected:
  [[noreturn]] static VOID ThrowStatusExceptionFromConstructor(NTSTATUS status, const char *message);

 private:
  friend VOID CleanupFromCreateDevice(CDevice *device);
  VOID CleanupDeviceOnExit();
};

VOID CleanupFromCreateDevice(CDevice *device);
