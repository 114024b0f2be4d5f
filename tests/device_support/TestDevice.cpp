#include "TestDevice.h"

int TestDevice::destructions = 0;

// Each failure is raised like a driver's constructor does it: after undoing
// what only this class knows about (the mapping), with no temporaries alive.
TestDevice::TestDevice(PDRIVER_OBJECT driverObject, PCWSTR deviceName,
                       PDEVICE_OBJECT *deviceObject, const TestDeviceSetup &setup)
    : CDevice(driverObject, deviceName, kTestDeviceType, deviceObject) {
  if (setup.raise_at == RaiseAt::kAfterBase) {
    ThrowStatusExceptionFromConstructor(setup.raise_status, "TestDevice: after base");
  }

  if (setup.link_name != nullptr) {
    const NTSTATUS status = CreateWin32Name(CString(setup.link_name));
    if (status < 0) ThrowStatusExceptionFromConstructor(status, "TestDevice: link");
  }
  if (setup.raise_at == RaiseAt::kAfterLink) {
    ThrowStatusExceptionFromConstructor(setup.raise_status, "TestDevice: after link");
  }

  Port.BusAddress.LowPart = setup.port_address;
  Port.BusAddress.HighPart = 0;
  Port.Length = 2;
  Port.AddressSpace = 1;
  if (setup.map_port) {
    const NTSTATUS status = MapIoAddress(Isa, 0, Port);
    if (status < 0) ThrowStatusExceptionFromConstructor(status, "TestDevice: map");
  }
  if (setup.raise_at == RaiseAt::kAfterMap) {
    UnmapPort();
    ThrowStatusExceptionFromConstructor(setup.raise_status, "TestDevice: after map");
  }

  if (setup.claim_port) {
    NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES;
    CResource *resource = new CResource(Isa, 0, this, 1);
    if (resource != nullptr) {
      resource->AddPortResource(Port, CmResourceShareDeviceExclusive);
      Conflict = FALSE;
      status = resource->AssignCardsResources(CString(), &Conflict, FALSE);
      delete resource;
    }
    if (Conflict) status = STATUS_INSUFFICIENT_RESOURCES;
    if (status < 0) {
      UnmapPort();
      ThrowStatusExceptionFromConstructor(status, "TestDevice: claim");
    }
  }
  if (setup.raise_at == RaiseAt::kAfterClaim) {
    UnmapPort();
    ThrowStatusExceptionFromConstructor(setup.raise_status, "TestDevice: after claim");
  }
}

FW_DEVICE_DESTRUCTOR TestDevice::~TestDevice() {
  ++destructions;
  UnmapPort();
}

void TestDevice::UnmapPort() {
  if (Port.Mapped) {
    MmUnmapIoSpace(reinterpret_cast<PVOID>(Port.MappedAddress), Port.Length);
    Port.Mapped = FALSE;
  }
}

namespace {
struct Build {
  PDRIVER_OBJECT driver;
  PCWSTR name;
  const TestDeviceSetup *setup;
  ULONG extra_size;
  ULONG characteristics;
  UCHAR exclusive;
  TestDevice *device;
  PDEVICE_OBJECT device_object;
};

VOID BuildDevice(PVOID context) {
  Build *b = static_cast<Build *>(context);
  b->device = new (b->driver, b->name, kTestDeviceType, &b->device_object, b->characteristics,
                   b->exclusive, b->extra_size) TestDevice(b->driver, b->name, &b->device_object,
                                                           *b->setup);
}
}  // namespace

CreatedDevice CreateTestDevice(PDRIVER_OBJECT driver, PCWSTR name, const TestDeviceSetup &setup,
                               ULONG extra_size, ULONG characteristics, UCHAR exclusive) {
  Build b{driver, name, &setup, extra_size, characteristics, exclusive, nullptr, nullptr};
  const NTSTATUS status = FwCallGuarded(BuildDevice, &b);
  if (status < 0) {
    if (b.device_object != nullptr && b.device_object->DeviceExtension != nullptr) {
      CleanupFromCreateDevice(static_cast<CDevice *>(b.device_object->DeviceExtension));
    }
    return CreatedDevice{status, nullptr, nullptr};
  }
  return CreatedDevice{status, b.device, b.device_object};
}
