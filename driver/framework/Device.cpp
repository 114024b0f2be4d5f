#include "Device.h"

namespace {

const WCHAR kDevicePrefix[] = FW_WIDE("\\Device\\");
const WCHAR kDosDevicesPrefix[] = FW_WIDE("\\DosDevices\\");
const ULONG kDevicePrefixBytes = sizeof(kDevicePrefix) - sizeof(WCHAR);
const ULONG kDosDevicesPrefixBytes = sizeof(kDosDevicesPrefix) - sizeof(WCHAR);

ULONG WideTextBytes(PCWSTR text) {
  ULONG count = 0;
  while (text[count] != 0) ++count;
  return count * sizeof(WCHAR);
}

void ZeroBytes(PVOID start, ULONG size) {
  PUCHAR bytes = static_cast<PUCHAR>(start);
  for (ULONG i = 0; i < size; ++i) bytes[i] = 0;
}

// A string that ran out of pool comes out shorter than what was joined.
bool Joined(const CString &result, ULONG headBytes, ULONG tailBytes) {
  return result.UnicodeString.Length == headBytes + tailBytes;
}

template <class Owned>
void DeleteOwned(Owned *&object) {
  if (object != NULL) {
    delete object;
    object = NULL;
  }
}

}  // namespace

CBaseDevice::CBaseDevice() : DeviceObject(NULL) {}

// The object's own storage goes with the device object: nothing may touch
// the object after IoDeleteDevice.
FW_DEVICE_DESTRUCTOR CBaseDevice::~CBaseDevice() {
  if (DeviceObject != NULL) IoDeleteDevice(DeviceObject);
}

void CBaseDevice::DeleteDevice() {
  if (DeviceObject != NULL) IoDeleteDevice(DeviceObject);
}

void *CDevice::operator new(size_t size, PDRIVER_OBJECT driverObject, PCWSTR deviceName,
                            ULONG deviceType, PDEVICE_OBJECT *deviceObject,
                            ULONG deviceCharacteristics, UCHAR exclusive, ULONG extraSize) {
  const ULONG extensionSize = static_cast<ULONG>(size) + extraSize;
  // A wrapped size would leave the object hanging past its extension.
  if (extensionSize < size) ExRaiseStatus(STATUS_INSUFFICIENT_RESOURCES);

  CString *fullName = new CString(kDevicePrefix);
  if (fullName == NULL) ExRaiseStatus(STATUS_INSUFFICIENT_RESOURCES);
  *fullName += CString(deviceName);
  // Without the whole name the device would be created under a wrong one.
  if (!Joined(*fullName, kDevicePrefixBytes, WideTextBytes(deviceName))) {
    delete fullName;
    ExRaiseStatus(STATUS_INSUFFICIENT_RESOURCES);
  }

  const NTSTATUS status =
      IoCreateDevice(driverObject, extensionSize, &fullName->UnicodeString, deviceType,
                     deviceCharacteristics, exclusive, deviceObject);
  delete fullName;
  if (status < 0) ExRaiseStatus(status);

  PVOID extension = (*deviceObject)->DeviceExtension;
  ZeroBytes(extension, extensionSize);
  return extension;
}

// OpenCount, ExclusiveOpen and InterruptObject keep the zero fill of operator new.
CDevice::CDevice(PDRIVER_OBJECT driverObject, PCWSTR deviceName, ULONG deviceType,
                 PDEVICE_OBJECT *deviceObject) {
  DriverObject = driverObject;
  DeviceObject = *deviceObject;
  DeviceType = deviceType;
  ResourceClaim = ClaimNone;
  DeviceName = CString(deviceName);
  ClassName = NULL;
  OwnedObject1 = NULL;
  OwnedObject2 = NULL;
  DeviceObject->Flags |= DO_DIRECT_IO;
  KeInitializeSpinLock(&SpinLock);
}

// The strings go in reverse order of declaration: RegistryPath, Win32Name,
// DeviceName; then the base deletes the device object.
FW_DEVICE_DESTRUCTOR CDevice::~CDevice() { CleanupDeviceOnExit(); }

NTSTATUS CDevice::CreateWin32Name(const CString &linkName) {
  Win32Name = Concatenate(kDosDevicesPrefix, linkName);
  NTSTATUS status;
  {
    CString target = Concatenate(kDevicePrefix, DeviceName);
    // A name cut short by an exhausted pool would make a link to nowhere.
    if (!Joined(Win32Name, kDosDevicesPrefixBytes, linkName.UnicodeString.Length) ||
        !Joined(target, kDevicePrefixBytes, DeviceName.UnicodeString.Length)) {
      status = STATUS_INSUFFICIENT_RESOURCES;
    } else {
      status = IoCreateSymbolicLink(&Win32Name.UnicodeString, &target.UnicodeString);
    }
  }
  // Win32Name names a link only while that link exists.
  if (status < 0) Win32Name = CString();
  return status;
}

NTSTATUS CDevice::MapIoAddress(INTERFACE_TYPE interfaceType, ULONG busNumber,
                               _FW_MAPPED_ADDRESS &range) {
  range.Mapped = FALSE;
  ULONG addressSpace = range.AddressSpace;
  PHYSICAL_ADDRESS translated;
  translated.QuadPart = 0;
  if (!HalTranslateBusAddress(interfaceType, busNumber, range.BusAddress, &addressSpace,
                              &translated)) {
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  if (addressSpace != 0) {
    range.MappedAddress = translated.LowPart;
    return STATUS_SUCCESS;
  }
  PVOID view = MmMapIoSpace(translated, range.Length, MmNonCached);
  range.MappedAddress = reinterpret_cast<ULONG_PTR>(view);
  if (view == NULL) return STATUS_INSUFFICIENT_RESOURCES;
  range.Mapped = TRUE;
  return STATUS_SUCCESS;
}

VOID CDevice::DisconnectInterrupt() {
  if (InterruptObject != NULL) {
    IoDisconnectInterrupt(InterruptObject);
    InterruptObject = NULL;
  }
}

// Leaves nothing to do for a second call: no link name, no claim, no objects.
VOID CDevice::CleanupDeviceOnExit() {
  if (Win32Name.UnicodeString.Length != 0) {
    IoDeleteSymbolicLink(&Win32Name.UnicodeString);
    Win32Name = CString();
  }

  if (DriverObject != NULL && DeviceObject != NULL) {
    if (ResourceClaim == ClaimAssigned) {
      IoAssignResources(&RegistryPath.UnicodeString,
                        ClassName != NULL ? &ClassName->UnicodeString : NULL, DriverObject,
                        DeviceObject, NULL, NULL);
    } else if (ResourceClaim == ClaimReported) {
      // Reporting an empty list in the device's name releases its claim.
      CM_RESOURCE_LIST emptyList;
      ZeroBytes(&emptyList, sizeof(emptyList));
      BOOLEAN conflictDetected = FALSE;
      IoReportResourceUsage(NULL, DriverObject, NULL, 0, DeviceObject, &emptyList,
                            sizeof(emptyList), TRUE, &conflictDetected);
    }
    ResourceClaim = ClaimNone;
  }

  DisconnectInterrupt();

  DeleteOwned(OwnedObject1);
  DeleteOwned(ClassName);
  DeleteOwned(OwnedObject2);
}

VOID CDevice::ThrowStatusExceptionFromConstructor(NTSTATUS status, const char *message) {
  (void)message;  // for a reader of the source only
  ExRaiseStatus(status);
}

// The constructor of the derived class did not complete, so its destructor
// must not run: undo only the framework's part, in place.
VOID CleanupFromCreateDevice(CDevice *device) {
  if (device == NULL) return;
  device->CleanupDeviceOnExit();
  device->DeviceName.CString::~CString();
  device->Win32Name.CString::~CString();
  device->RegistryPath.CString::~CString();
  device->DeleteDevice();
}
