// Bringing one board device into service from its registry entries, and
// tearing it down again at unload.
#include "Dorvik.h"
#include "DorvikRegistryLayout.h"
#include "InitSection.h"
#include "Registry.h"
#include "Resource.h"

namespace {
// The literals live in INIT with the constructor that uses them.
FW_INIT_DATA const char kMissingDeviceName[] =
    "DORVIK: CDorvik::CDorvik - Missing device name in registry";
FW_INIT_DATA const char kMissingPortAddress[] = "DORVIK: CDorvik::CDorvik - Missing key PortAddress0";
FW_INIT_DATA const char kNoRegistryReader[] = "DORVIK: CDorvik::CDorvik - No registry reader";
FW_INIT_DATA const char kWin32NameFailed[] = "DORVIK:CDorvik::CDorvik CreateWin32Name failed";
FW_INIT_DATA const char kMapFailed[] = "DORVIK:CDorvik::CDorvik MapIoAddress (Port0) Failed";
FW_INIT_DATA const char kResourceConflict[] = "DORVIK:CDorvik::CDorvik resource conflict";
FW_INIT_DATA const char kInitializeFailed[] = "DORVIK:CDorvik::CDorvik InitializeBoard Failed";
FW_INIT_DATA const WCHAR kParametersSuffix[] = DORVIK_PARAMETERS_SUFFIX;
FW_INIT_DATA const WCHAR kPortAddressValue[] = DORVIK_PORT_ADDRESS_VALUE;
FW_INIT_DATA const WCHAR kBoardKeyPrefix[] = DORVIK_BOARD_KEY_PREFIX;

const ULONG kPortRangeLength = 2;
const ULONG kIoSpace = 1;
}  // namespace

FW_INIT_CODE
CDorvik::CDorvik(PDRIVER_OBJECT driverObject, PCWSTR deviceName, ULONG deviceType,
                 PUNICODE_STRING registryPath, ULONG boardNumber, PDEVICE_OBJECT *deviceObject,
                 PVOID context)
    : CDevice(driverObject, deviceName, deviceType, deviceObject) {
  // Every temporary string of a step is gone before the step's test, so a
  // raise (which runs no destructors) leaves nothing behind.
  CRegistry *registry = new CRegistry(CString(registryPath), DORVIK_PORT_NOT_CONFIGURED);
  if (registry == NULL) {
    ThrowStatusExceptionFromConstructor(STATUS_INSUFFICIENT_RESOURCES, kNoRegistryReader);
  }

  const UCHAR configured = registry->IsKeyPresent(CString(deviceName));
  if (!configured) {
    delete registry;
    ThrowStatusExceptionFromConstructor(STATUS_INSUFFICIENT_RESOURCES, kMissingDeviceName);
  }

  registry->SetRelativePath(Concatenate(CString(deviceName), CString(kParametersSuffix)));
  // Without a default in the reader a missing value leaves this as it is.
  ULONG portAddress = DORVIK_PORT_NOT_CONFIGURED;
  registry->GetKey(CString(kPortAddressValue), &portAddress, TRUE);
  delete registry;
  if (portAddress == DORVIK_PORT_NOT_CONFIGURED) {
    ThrowStatusExceptionFromConstructor(STATUS_INSUFFICIENT_RESOURCES, kMissingPortAddress);
  }

  NTSTATUS status;
  {
    CString number(boardNumber, 10);
    CString linkName = Concatenate(CString(kBoardKeyPrefix), number);
    // A name cut short by an exhausted pool would be another board's link.
    const bool whole = number.UnicodeString.Length != 0 &&
                       linkName.UnicodeString.Length ==
                           sizeof(kBoardKeyPrefix) - sizeof(WCHAR) + number.UnicodeString.Length;
    status = whole ? CreateWin32Name(linkName) : STATUS_INSUFFICIENT_RESOURCES;
  }
  if (status < 0) ThrowStatusExceptionFromConstructor(status, kWin32NameFailed);

  Port0.BusAddress.LowPart = portAddress;
  Port0.BusAddress.HighPart = 0;
  Port0.Length = kPortRangeLength;
  Port0.AddressSpace = kIoSpace;
  PortCount = 1;
  status = MapIoAddress(Isa, 0, Port0);
  if (status < 0) ThrowStatusExceptionFromConstructor(status, kMapFailed);

  CResource *claim = new CResource(Isa, 0, this, 1);
  if (claim == NULL) {
    UnmapPort();
    ThrowStatusExceptionFromConstructor(STATUS_INSUFFICIENT_RESOURCES, kResourceConflict);
  }
  claim->AddPortResource(Port0, CmResourceShareDeviceExclusive);
  BOOLEAN conflict = FALSE;
  status = claim->AssignCardsResources(CString(registryPath), &conflict, FALSE);
  delete claim;
  // Another driver holding the range counts as failure even when the report succeeded.
  if (conflict) status = STATUS_INSUFFICIENT_RESOURCES;
  if (status < 0) {
    UnmapPort();
    ThrowStatusExceptionFromConstructor(status, kResourceConflict);
  }

  status = InitializeBoard();
  if (status < 0) {
    UnmapPort();
    ThrowStatusExceptionFromConstructor(status, kInitializeFailed);
  }
}

FW_DEVICE_DESTRUCTOR CDorvik::~CDorvik() {
  UnmapPort();
  // A message buffer still held at unload would otherwise leak with the device.
  delete TakeMsgBuffer(NULL);
}

VOID CDorvik::UnmapPort() {
  if (Port0.Mapped) {
    MmUnmapIoSpace(reinterpret_cast<PVOID>(Port0.MappedAddress), Port0.Length);
    Port0.Mapped = FALSE;
  }
}
